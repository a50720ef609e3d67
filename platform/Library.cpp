#include "platform/Library.h"

#include "platform/Paths.h"

#include <QFileInfo>

#include <dlfcn.h>

#include <utility>

namespace platform {

QString Library::fileName(const QString& baseName)
{
    return QStringLiteral("lib") + baseName + QStringLiteral(".so");
}

Library::Library(const QString& baseName)
{
    const QString file = fileName(baseName);
    const QString local = programFolder() + QLatin1Char('/') + file;
    if (QFileInfo::exists(local))
        handle_ = dlopen(QFile::encodeName(local).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_ && !programFolderPinned())
        handle_ = dlopen(QFile::encodeName(file).constData(), RTLD_NOW | RTLD_LOCAL);
}

Library::~Library()
{
    unload();
}

Library::Library(Library&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

Library& Library::operator=(Library&& other) noexcept
{
    if (this != &other) {
        unload();
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

void* Library::symbol(const char* name) const
{
    return handle_ ? dlsym(handle_, name) : nullptr;
}

void Library::unload()
{
    if (handle_)
        dlclose(std::exchange(handle_, nullptr));
}

}  // namespace platform
