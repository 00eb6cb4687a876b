#include "ui/widgets/UiTheme.h"

#include "core/util/IniSettings.h"

#include <QFile>
#include <QPalette>
#include <QSettings>
#include <QWidget>

namespace {
unsigned s_style = UiTheme::DarkStyle;
}

unsigned UiTheme::style()
{
    return s_style;
}

void UiTheme::setStyle(unsigned style)
{
    s_style = style;
}

unsigned UiTheme::applyTo(QWidget *window, const QString &iniPath, const QString &styleSheetResource)
{
    IniSettings ini(iniPath);
    unsigned value = DarkStyle;
    const QVariant stored = ini.value(QStringLiteral("ui/style"));
    if (stored.isValid() && !stored.isNull())
        value = stored.toUInt();

    if (value == DarkStyle) {
        QPalette palette = window->palette();
        palette.setBrush(QPalette::All, QPalette::Window, QBrush(QColor(QStringLiteral("#222222"))));
        window->setPalette(palette);
        window->setAutoFillBackground(true);
        const QString sheet = readStyleSheet(styleSheetResource);
        if (!sheet.isEmpty())
            window->setStyleSheet(sheet);
    }
    ini.setValue(QStringLiteral("ui/style"), value);
    ini.sync();
    setStyle(value);
    return value;
}

QString UiTheme::readStyleSheet(const QString &resource)
{
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QByteArray text = file.readAll();
    const int nul = text.indexOf('\0');
    if (nul >= 0)
        text.truncate(nul);
    return QString::fromUtf8(text);
}
