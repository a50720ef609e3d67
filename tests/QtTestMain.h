#pragma once
// A GoogleTest main for tests that need a QApplication. Before the application exists it points HOME,
// the XDG folders and the runtime folder at a fresh temporary folder, so that no test reads or writes
// the real user's configuration, documents or instance lock. `platform` is the Qt platform plugin the
// application (and every program it starts) uses: tests that need a real display pass "xcb".

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

inline int runQtTests(int argc, char** argv, const char* platform = "offscreen")
{
    QTemporaryDir home;
    for (const char* sub : {"config", "runtime", "documents"})
        QDir(home.path()).mkpath(QLatin1String(sub));
    const QByteArray root = QFile::encodeName(home.path());
    setenv("HOME", root.constData(), 1);
    setenv("XDG_CONFIG_HOME", (root + "/config").constData(), 1);
    setenv("XDG_RUNTIME_DIR", (root + "/runtime").constData(), 1);
    setenv("XDG_DOCUMENTS_DIR", (root + "/documents").constData(), 1);
    setenv("QT_QPA_PLATFORM", platform, 1);
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
