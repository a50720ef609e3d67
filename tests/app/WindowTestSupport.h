#pragma once
// What every test of the program's windows needs: the resource bundles bound for the suite, and the
// message boxes recorded (and answered with their default button) instead of shown.

#include "platform/MessageBox.h"
#include "resources/UiResources.h"

#include <gtest/gtest.h>

#include <vector>

class WindowTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        UiResources::bind(UiResources::Bundle::Uibase, QStringLiteral(KESTREL_BIN_DIR));
        UiResources::bind(UiResources::Bundle::Uires, QStringLiteral(KESTREL_BIN_DIR));
    }
    static void TearDownTestSuite()
    {
        UiResources::unbind(UiResources::Bundle::Uibase);
        UiResources::unbind(UiResources::Bundle::Uires);
    }
    void SetUp() override
    {
        platform::setMessageSink([this](const platform::MessageRecord& record) {
            messages.push_back(record);
            return platform::defaultAnswer(record.style);
        });
    }
    void TearDown() override { platform::setMessageSink({}); }

    std::vector<platform::MessageRecord> messages;
};
