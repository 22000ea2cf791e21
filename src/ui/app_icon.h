// The program's own pictures, drawn in code so that nothing has to be found at run time: the
// application icon and the fallbacks of the tool bar's icons.
#pragma once

#include <QIcon>
#include <QImage>
#include <QString>

namespace mirelk::ui {

// The application icon at the given size (a film frame with a conversion arrow).
QImage AppIconImage(int size);
QIcon AppIcon();

enum TToolIcon { tiAdd, tiClear, tiConvert, tiPause, tiResume, tiStop };
// The icon theme's icon for the action, or our own drawing where the theme has none.
QIcon ToolIcon(TToolIcon which);

}  // namespace mirelk::ui
