#include "imaging/SiblingMessages.h"

#include "platform/MessageBox.h"
#include "resources/UiResources.h"

#include <QGuiApplication>

namespace imaging {

namespace {
// The program's title in the string table.
constexpr int kApplicationTitleString = 21012;
}  // namespace

QString applicationTitle()
{
    // The bundle holds the title; without bundles (a library host) the application's own name serves.
    const QString title = UiResources::string(kApplicationTitleString);
    return title.isEmpty() ? QGuiApplication::applicationDisplayName() : title;
}

void showProgramMessage(const char* text, unsigned style)
{
    platform::messageBox(nullptr, QString::fromUtf8(text), applicationTitle(), style);
}

void showNumberedMessage(int id, unsigned style)
{
    platform::messageBox(nullptr, UiResources::string(id), applicationTitle(), style);
}

void showDecoderMessage(const char* text)
{
    platform::messageBox(nullptr, QString::fromUtf8(text), QString::fromUtf8(messages::kErrorCaption),
                         platform::MbOk | platform::MbTaskModal);
}

}  // namespace imaging
