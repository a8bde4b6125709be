// SPDX-License-Identifier: MIT
// The look of every window: the Fusion style, one palette and one style sheet, all set here.
#pragma once

#include <QColor>

class QApplication;
class QFont;

namespace Skin
{
// Behind the logo and title at the top of every window.
inline const QColor kHeaderBackground{255, 255, 255};
// The product title in the header bands and the support link.
inline const QColor kTitleBlue{0, 70, 160};
// The window and page background.
inline const QColor kWindowBackground{240, 240, 240};
// The deletion page's account memo and summary panel.
inline const QColor kDeletionPageGrey{231, 231, 231};

// Sets the style, palette and style sheet on the application; call once before any window exists.
void Apply(QApplication& app);

// Blue bold Verdana for the product title of the header bands.
QFont TitleFont();
} // namespace Skin
