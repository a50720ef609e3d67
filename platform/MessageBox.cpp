#include "platform/MessageBox.h"

#include "platform/Trace.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

#include <mutex>
#include <vector>

namespace platform {
namespace {

std::mutex sinkLock;
MessageSink& currentSink()
{
    static MessageSink sink;
    return sink;
}

struct ButtonSpec {
    QMessageBox::StandardButton button;
    int answer;
};

std::vector<ButtonSpec> buttonsOf(unsigned style)
{
    switch (style & MbButtonMask) {
    case MbOkCancel:
        return {{QMessageBox::Ok, IdOk}, {QMessageBox::Cancel, IdCancel}};
    case MbAbortRetryIgnore:
        return {{QMessageBox::Abort, IdAbort}, {QMessageBox::Retry, IdRetry}, {QMessageBox::Ignore, IdIgnore}};
    case MbYesNoCancel:
        return {{QMessageBox::Yes, IdYes}, {QMessageBox::No, IdNo}, {QMessageBox::Cancel, IdCancel}};
    case MbYesNo:
        return {{QMessageBox::Yes, IdYes}, {QMessageBox::No, IdNo}};
    case MbRetryCancel:
        return {{QMessageBox::Retry, IdRetry}, {QMessageBox::Cancel, IdCancel}};
    default:
        return {{QMessageBox::Ok, IdOk}};
    }
}

size_t defaultIndex(unsigned style, size_t count)
{
    size_t index = 0;
    if ((style & MbDefButtonMask) == MbDefButton2)
        index = 1;
    else if ((style & MbDefButtonMask) == MbDefButton3)
        index = 2;
    return index < count ? index : 0;
}

QMessageBox::Icon iconOf(unsigned style)
{
    switch (style & MbIconMask) {
    case MbIconStop:
        return QMessageBox::Critical;
    case MbIconQuestion:
        return QMessageBox::Question;
    case MbIconExclamation:
        return QMessageBox::Warning;
    case MbIconInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

}  // namespace

int defaultAnswer(unsigned style)
{
    const auto buttons = buttonsOf(style);
    return buttons[defaultIndex(style, buttons.size())].answer;
}

MessageSink setMessageSink(MessageSink sink)
{
    std::lock_guard guard(sinkLock);
    MessageSink previous = std::move(currentSink());
    currentSink() = std::move(sink);
    return previous;
}

namespace {

int showBox(QWidget* owner, const QString& text, const QString& caption, unsigned style)
{
    const auto buttons = buttonsOf(style);
    QMessageBox box(iconOf(style), caption.isEmpty() ? QApplication::applicationName() : caption, text,
                    QMessageBox::NoButton, owner);
    for (const ButtonSpec& choice : buttons)
        box.addButton(choice.button);
    box.setDefaultButton(buttons[defaultIndex(style, buttons.size())].button);
    box.setWindowModality(owner && !(style & MbTaskModal) ? Qt::WindowModal : Qt::ApplicationModal);
    const auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
    for (const ButtonSpec& choice : buttons) {
        if (choice.button == pressed)
            return choice.answer;
    }
    // Closed with Escape or the window's close button: Windows answers "cancel" where there is one.
    for (const ButtonSpec& choice : buttons) {
        if (choice.answer == IdCancel || choice.answer == IdNo)
            return choice.answer;
    }
    return buttons.front().answer;
}

}  // namespace

int messageBox(QWidget* owner, const QString& text, const QString& caption, unsigned style)
{
    trace(QStringLiteral("MessageBox: %1: %2\n").arg(caption, text).toStdString());

    MessageSink sink;
    {
        std::lock_guard guard(sinkLock);
        sink = currentSink();
    }
    if (sink)
        return sink(MessageRecord{text, caption, style, owner});

    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app)
        return defaultAnswer(style);
    if (QThread::currentThread() != app->thread()) {
        // Widgets live on the GUI thread only: a worker's box is shown there while the worker waits.
        int answer = defaultAnswer(style);
        QMetaObject::invokeMethod(
            app, [&] { answer = showBox(owner, text, caption, style); }, Qt::BlockingQueuedConnection);
        return answer;
    }
    return showBox(owner, text, caption, style);
}

}  // namespace platform

extern "C" int KestrelMessageBox(void* owner, const char* text, const char* caption, unsigned style)
{
    return platform::messageBox(static_cast<QWidget*>(owner), QString::fromUtf8(text ? text : ""),
                                QString::fromUtf8(caption ? caption : ""), style);
}
