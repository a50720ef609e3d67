#pragma once
// A shared library loaded by its base name at run time: "Vistra32" is libVistra32.so, looked for first
// in the program's folder, then along the normal loader path. Unloaded when the object goes away.

#include <QString>

namespace platform {

class Library {
public:
    Library() = default;
    explicit Library(const QString& baseName);
    ~Library();

    Library(Library&& other) noexcept;
    Library& operator=(Library&& other) noexcept;
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    bool isLoaded() const { return handle_ != nullptr; }
    explicit operator bool() const { return isLoaded(); }

    // The address of an export, or null when the library or the export is missing.
    void* symbol(const char* name) const;

    template <typename Function>
    Function function(const char* name) const
    {
        return reinterpret_cast<Function>(symbol(name));
    }

    void unload();

    // "Vistra32" -> "libVistra32.so".
    static QString fileName(const QString& baseName);

private:
    void* handle_ = nullptr;
};

}  // namespace platform
