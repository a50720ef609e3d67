#pragma once
// Setting a picture as the desktop wallpaper.
//
// The wallpaper is always one file, MRL_WALL.BMP in the program's data folder. A BMP is copied there; a
// JPEG, DV still or title picture is converted to a BMP through ImgShift first; any other file leaves
// everything as it was. The running desktop is then told to show that file through its own tool:
// gsettings (GNOME, Cinnamon, MATE, Budgie, Unity), xfconf-query (Xfce), or the Plasma shell's scripting
// call over D-Bus (qdbus, else dbus-send). The desktop is known from XDG_CURRENT_DESKTOP and its tool is
// looked up on PATH; when neither leads anywhere, the failure message is shown and no file is touched.
//
// The file is replaced by rename, so the desktop never reads a half-written wallpaper; a failed
// conversion leaves the previous wallpaper file and still sets it.

#include "imaging/ImgShiftBinding.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QWidget;

namespace fileops {

class Wallpaper {
public:
    enum class Desktop { None, Gnome, Cinnamon, Mate, Xfce, Plasma };
    enum class Result { Set, NotAPicture, NoDesktop, DesktopFailed, NoFile };

    struct Command {
        QString program;  // found on PATH
        QStringList arguments;
    };

    static const QString FileName;           // "MRL_WALL.BMP"
    static const QString FailureMessage;     // shown when no desktop takes the wallpaper
    static constexpr int ToolTimeoutMs = 10000;

    // The wallpaper file: MRL_WALL.BMP in QStandardPaths::AppDataLocation.
    static QString wallpaperFile();

    // The desktop named by XDG_CURRENT_DESKTOP (a colon-separated list; the first known entry wins).
    static Desktop currentDesktop();

    // The commands that set `file` on `desktop`, their tools resolved on PATH; empty when a tool is
    // missing. Xfce's commands depend on the properties xfconf-query lists, so they are asked here.
    static std::vector<Command> commandsFor(Desktop desktop, const QString& file);

    // Makes the first selected item the wallpaper. `owner` parents the failure message.
    static Result set(const QString& picture, QWidget* owner = nullptr,
                      const imaging::DvFilterSettings& dvSettings = imaging::DvFilterSettings());

    // Runs one tool and waits for it; true when it ended with status 0.
    static bool runTool(const Command& command);
};

}  // namespace fileops
