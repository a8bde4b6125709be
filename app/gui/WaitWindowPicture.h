// SPDX-License-Identifier: MIT
// The wait window's picture, drawn from a copy of its state into a QImage. Painting a QImage is
// allowed off the GUI thread, so the wait thread draws it itself, and tests can read it pixel by
// pixel.
#pragma once

#include "misc/WaitWindowBackend.h"

#include <QColor>
#include <QImage>
#include <QSize>

namespace WaitWindowPicture
{
// The window with its one-pixel border, and the client area inside it.
constexpr int kWindowWidth = 480;
constexpr int kWindowHeight = 150;
constexpr int kClientWidth = kWindowWidth - 2;
constexpr int kClientHeight = kWindowHeight - 2;

constexpr int kTextLeft = 20;
constexpr int kSecondsLeft = 140;
constexpr int kSquareTop = 100;
constexpr int kSquareWidth = 20;
constexpr int kSquareHeight = 12;
constexpr int kSquareStep = 25;
inline const QColor kSquareColour{0, 128, 192};

// How many squares a row of that client width holds before it starts again; never below 0.
int SquareSlots(int nClientWidth);
// The squares shown after nTicks ticks: the row fills one square a tick and starts again empty.
int SquareCount(int nTicks, int nClientWidth);

// Resolves the fonts once on the GUI thread, so the font database is set up before a wait thread
// first draws. Call after the QApplication exists.
void PrepareFonts();

// Draws the whole client area into image, which must be of Format_RGB32; its size is the client
// area's. Anything else is left untouched.
void Paint(QImage& image, const WaitWindowSnapshot& state);
QImage Render(const WaitWindowSnapshot& state, QSize clientSize = QSize(kClientWidth, kClientHeight));
} // namespace WaitWindowPicture
