#include "app/CKestrelApp.h"

#include "app/CMainFrame.h"
#include "app/CMarlin3Doc.h"
#include "app/ConfigStore.h"
#include "platform/Fonts.h"
#include "platform/InstanceLock.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "resources/UiResources.h"

#include <QApplication>

namespace {

const QString kLayoutType = QStringLiteral("LAYOUT_DATA");

bool isSwitch(const QString& argument, const char* name)
{
    if (!argument.startsWith(QLatin1Char('/')) && !argument.startsWith(QLatin1Char('-')))
        return false;
    return argument.mid(1).compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

}  // namespace

CKestrelApp::CKestrelApp() = default;

CKestrelApp::~CKestrelApp()
{
    exitInstance();
}

bool CKestrelApp::isAutomationStart(const QStringList& arguments)
{
    for (const QString& argument : arguments) {
        if (isSwitch(argument, "Embedding") || isSwitch(argument, "Automation"))
            return true;
    }
    return false;
}

CKestrelApp::Start CKestrelApp::initInstance(const QStringList& arguments)
{
    // An automation start shows neither splash nor window.
    const bool automation = isAutomationStart(arguments);
    platform::installFontSubstitutions();

    if (!bindBundles())
        return Start::Fail;
    if (!checkSingleInstance())
        return Start::EndQuiet;
    loadLayoutTables();

    config_ = std::make_unique<ConfigStore>();
    if (automation) {
        // Without OLE there is no class object to serve: such a start is over at once.
        return Start::EndQuiet;
    }

    document_ = std::make_unique<CMarlin3Doc>();
    frame_ = std::make_unique<CMainFrame>(*config_, *document_);
    frame_->setWindowIcon(QIcon(QPixmap::fromImage(UiResources::icon(130))));
    frame_->setStartsCleaner(true);
    frame_->create(/*showSplash=*/true);
    frame_->show();

    marker_ = std::make_unique<platform::WindowMarker>(QLatin1String(kInstanceName));
    QObject::connect(marker_.get(), &platform::WindowMarker::raiseRequested, frame_.get(),
                     [frame = frame_.get()] { frame->bringToFront(); });
    QObject::connect(marker_.get(), &platform::WindowMarker::closeRequested, frame_.get(),
                     [frame = frame_.get()] { frame->close(); });
    marker_->mark();
    frame_->setInstanceMarker(marker_.get());
    return Start::Run;
}

bool CKestrelApp::bindBundles()
{
    const QString folder = platform::programFolder();
    if (!UiResources::bind(UiResources::Bundle::Uibase, folder)) {
        platform::messageBox(nullptr, QStringLiteral("Not Found Uibase.dll"), QString(),
                             platform::MbOk | platform::MbIconStop);
        return false;
    }
    if (!UiResources::bind(UiResources::Bundle::Uires, folder)) {
        platform::messageBox(nullptr, QStringLiteral("Not Found Uires.dll"), QString(),
                             platform::MbOk | platform::MbIconStop);
        return false;
    }
    return true;
}

bool CKestrelApp::checkSingleInstance()
{
    instanceLock_ = std::make_unique<platform::InstanceLock>(QLatin1String(kInstanceName));
    if (instanceLock_->acquired())
        return true;
    // Another instance runs: bring its window to the front if it is up yet. Nothing of this command
    // line is passed on.
    platform::WindowMarker::send(QLatin1String(kInstanceName), QStringLiteral("raise"));
    return false;
}

void CKestrelApp::loadLayoutTables()
{
    for (size_t slot = 0; slot < kLayoutNumbers.size(); ++slot)
        layoutTables_[slot] = UiResources::data(kLayoutType, kLayoutNumbers[slot]);
}

int CKestrelApp::exitInstance()
{
    frame_.reset();
    document_.reset();
    marker_.reset();
    config_.reset();
    if (UiResources::isBound(UiResources::Bundle::Uibase))
        UiResources::unbind(UiResources::Bundle::Uibase);
    if (UiResources::isBound(UiResources::Bundle::Uires))
        UiResources::unbind(UiResources::Bundle::Uires);
    return 0;
}
