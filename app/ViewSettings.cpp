#include "app/ViewSettings.h"

#include "app/Commands.h"

namespace viewsettings {
namespace {

// By "ViewForm" 1..8.
constexpr int kFilterCode[8] = {0, 4, 3, 5, 6, 1, 2, 7};
// By filter button 0..7 (commands 32800..32807).
constexpr int kViewFormOfButton[8] = {1, 2, 6, 3, 7, 8, 4, 5};

}  // namespace

int filterCodeOfViewForm(int viewForm)
{
    return viewForm >= 1 && viewForm <= 8 ? kFilterCode[viewForm - 1] : -1;
}

int viewFormOfCommand(int command)
{
    if (command >= cmd::FilterButton1 && command < cmd::FilterButton1 + 8)
        return kViewFormOfButton[command - cmd::FilterButton1];
    if (command >= cmd::FilterMenu1 && command < cmd::FilterMenu1 + 8)
        return command - cmd::FilterMenu1 + 1;
    return 0;
}

int filterButtonOfViewForm(int viewForm)
{
    for (int button = 0; button < 8; ++button) {
        if (kViewFormOfButton[button] == viewForm)
            return button;
    }
    return -1;
}

}  // namespace viewsettings
