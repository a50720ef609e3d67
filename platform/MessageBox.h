#pragma once
// Every message box of the program goes through messageBox(), so that tests can install a sink that
// records and answers them, and so that each box leaves one trace line "MessageBox: <caption>: <text>".
//
// The style word keeps the Windows layout (buttons in the low nibble, icon in the next, default button,
// modality), because the program's call sites are written in those terms.

#include <QString>

#include <functional>

class QWidget;

namespace platform {

enum MessageStyle : unsigned {
    MbOk = 0x0,
    MbOkCancel = 0x1,
    MbAbortRetryIgnore = 0x2,
    MbYesNoCancel = 0x3,
    MbYesNo = 0x4,
    MbRetryCancel = 0x5,
    MbButtonMask = 0xF,

    MbIconStop = 0x10,  // also "error" and "hand"
    MbIconQuestion = 0x20,
    MbIconExclamation = 0x30,  // also "warning"
    MbIconInformation = 0x40,  // also "asterisk"
    MbIconMask = 0xF0,

    MbDefButton2 = 0x100,
    MbDefButton3 = 0x200,
    MbDefButtonMask = 0xF00,

    MbApplModal = 0x0,
    MbSystemModal = 0x1000,
    MbTaskModal = 0x2000,
};

enum MessageAnswer : int {
    IdOk = 1,
    IdCancel = 2,
    IdAbort = 3,
    IdRetry = 4,
    IdIgnore = 5,
    IdYes = 6,
    IdNo = 7,
};

struct MessageRecord {
    QString text;
    QString caption;
    unsigned style = 0;
    QWidget* owner = nullptr;
};

using MessageSink = std::function<int(const MessageRecord&)>;

// Shows a modal box and returns the answer. Without a running QApplication (a library hosted by a
// program without a GUI) nothing is shown and the default button's answer is returned.
int messageBox(QWidget* owner, const QString& text, const QString& caption, unsigned style);

// The answer the default button of this style gives (the first button unless MbDefButton2/3).
int defaultAnswer(unsigned style);

// Installs a sink that receives every box instead of the screen; an empty sink removes it. Returns the
// previous sink.
MessageSink setMessageSink(MessageSink sink);

}  // namespace platform

// The same function for C libraries in the same process: they look it up with
// dlsym(RTLD_DEFAULT, "KestrelMessageBox"). Texts are UTF-8; owner is a QWidget* or null.
extern "C" __attribute__((visibility("default"))) int KestrelMessageBox(void* owner, const char* text,
                                                                       const char* caption, unsigned style);
