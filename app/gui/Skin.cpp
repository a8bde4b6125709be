// SPDX-License-Identifier: MIT
#include "gui/Skin.h"

#include <QApplication>
#include <QFont>
#include <QPalette>
#include <QStyleFactory>

namespace Skin
{

namespace
{

QPalette MakePalette()
{
    QPalette palette;
    palette.setColor(QPalette::Window, kWindowBackground);
    palette.setColor(QPalette::WindowText, QColor(20, 20, 20));
    palette.setColor(QPalette::Base, QColor(255, 255, 255));
    palette.setColor(QPalette::AlternateBase, QColor(246, 248, 251));
    palette.setColor(QPalette::Text, QColor(20, 20, 20));
    palette.setColor(QPalette::Button, QColor(236, 236, 236));
    palette.setColor(QPalette::ButtonText, QColor(20, 20, 20));
    palette.setColor(QPalette::Highlight, QColor(0, 102, 204));
    palette.setColor(QPalette::HighlightedText, QColor(255, 255, 255));
    palette.setColor(QPalette::Link, kTitleBlue);
    palette.setColor(QPalette::ToolTipBase, QColor(255, 255, 225));
    palette.setColor(QPalette::ToolTipText, QColor(20, 20, 20));
    const QColor disabledText(128, 128, 128);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, disabledText);
    palette.setColor(QPalette::Disabled, QPalette::Text, disabledText);
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, disabledText);
    palette.setColor(QPalette::Disabled, QPalette::Base, kWindowBackground);
    return palette;
}

// Only what the palette cannot say: one button size for every window.
// A password shows one "*" per character, as the system's own edit boxes do.
const char kStyleSheet[] = "QPushButton { min-width: 75px; min-height: 23px; padding: 0 8px; }\n"
                           "QLineEdit { lineedit-password-character: 42; }\n";

} // namespace

void Apply(QApplication& app)
{
    app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    app.setPalette(MakePalette());
    app.setStyleSheet(QString::fromLatin1(kStyleSheet));
}

QFont TitleFont()
{
    QFont font(QStringLiteral("Verdana"));
    font.setPointSize(16);
    font.setBold(true);
    return font;
}

} // namespace Skin
