#pragma once

#include <QString>

class QWidget;

// The process-wide theme value (ui/style of ./cfg/ui.ini): 1 is the dark theme, anything else the
// platform look. Styled controls read it when they are built.
class UiTheme
{
public:
    static constexpr unsigned DarkStyle = 1;

    static unsigned style();
    static void setStyle(unsigned style);

    // Reads ui/style from iniPath (default 1), applies the dark palette and styleSheetResource to
    // window when it is 1, writes the value back and makes it the process-wide value.
    static unsigned applyTo(QWidget *window, const QString &iniPath, const QString &styleSheetResource);

    // Text of a style sheet resource up to its first NUL byte; empty when it cannot be opened.
    static QString readStyleSheet(const QString &resource);
};
