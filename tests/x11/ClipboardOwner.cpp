// x11_clipboard_owner TYPE DATA [TYPE DATA ...]: another program on the display that owns the clipboard
// with the given formats at once, the way a file manager does after a copy or a cut (a plain selection
// tool offers one format per process). It prints "owned" once the data is up and runs until it is
// killed.

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    if (arguments.isEmpty() || arguments.size() % 2 != 0) {
        std::fprintf(stderr, "usage: x11_clipboard_owner TYPE DATA [TYPE DATA ...]\n");
        return 2;
    }
    auto* data = new QMimeData;
    for (qsizetype i = 0; i < arguments.size(); i += 2)
        data->setData(arguments[i], arguments[i + 1].toUtf8());
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->setMimeData(data);
    if (!clipboard->ownsClipboard()) {
        std::fprintf(stderr, "x11_clipboard_owner: could not take the clipboard\n");
        return 1;
    }
    std::printf("owned\n");
    std::fflush(stdout);
    return app.exec();
}
