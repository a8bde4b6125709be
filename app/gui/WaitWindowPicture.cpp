// SPDX-License-Identifier: MIT
#include "gui/WaitWindowPicture.h"
#include "gui/AnsiText.h"

#include <QFont>
#include <QFontInfo>
#include <QPainter>
#include <QRect>
#include <QString>

#include <algorithm>
#include <cstring>
#include <string>

namespace WaitWindowPicture
{

namespace
{

constexpr int kFontPixels = 11;
constexpr int kMessageBandTop = 0;
constexpr int kTimeBandTop = 30;
constexpr int kBandHeight = 50;
constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;

// A new font for every picture: a QFont shared between the threads would share its cached
// font engines as well.
QFont MakeFont(bool bBold)
{
    QFont font;
    // DejaVu Sans where Verdana is not installed, which is the usual case off Windows.
    font.setFamilies({QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(kFontPixels);
    font.setWeight(bBold ? QFont::Bold : QFont::Normal);
    return font;
}

// Text from x to the right edge of the client area, vertically centred in its band. The
// rectangle clips it, so a long message is cut at the right edge.
void DrawBandText(QPainter& painter, int nLeft, int nBandTop, int nClientWidth, const QString& text)
{
    painter.drawText(QRect(nLeft, nBandTop, std::max(0, nClientWidth - nLeft), kBandHeight), kTextFlags, text);
}

} // namespace

int SquareSlots(int nClientWidth)
{
    const int nSlots = (nClientWidth - 2 * kTextLeft) / kSquareStep + 1;
    return std::max(0, nSlots);
}

int SquareCount(int nTicks, int nClientWidth)
{
    const int nSlots = SquareSlots(nClientWidth);
    if (nSlots <= 0 || nTicks <= 0)
        return 0;
    return nTicks % nSlots;
}

void PrepareFonts()
{
    for (bool bBold : {true, false})
        QFontInfo(MakeFont(bBold)).family();
    // One picture drawn here loads the glyphs and the text layout machinery on this thread first.
    Render(WaitWindowSnapshot());
}

void Paint(QImage& image, const WaitWindowSnapshot& state)
{
    if (image.isNull() || image.format() != QImage::Format_RGB32)
        return;
    image.fill(Qt::white);
    QPainter painter(&image);
    if (!painter.isActive())
        return;
    const int nWidth = image.width();
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.setPen(Qt::black);

    // The snapshot ends its text with a NUL; the bound only guards a state that lost it.
    const std::size_t nLength = strnlen(state.szMessage, sizeof state.szMessage);
    painter.setFont(MakeFont(true));
    DrawBandText(painter, kTextLeft, kMessageBandTop, nWidth, FromAnsi(std::string(state.szMessage, nLength).c_str()));
    DrawBandText(painter, kTextLeft, kTimeBandTop, nWidth, QStringLiteral("Time Elapsed:"));
    painter.setFont(MakeFont(false));
    DrawBandText(painter, kSecondsLeft, kTimeBandTop, nWidth,
                 QStringLiteral("%1 seconds").arg(std::max(0, state.nElapsed) / 1000));

    const int nSquares = SquareCount(state.nTicks, nWidth);
    for (int i = 0; i < nSquares; ++i)
        painter.fillRect(QRect(kTextLeft + kSquareStep * i, kSquareTop, kSquareWidth, kSquareHeight), kSquareColour);
}

QImage Render(const WaitWindowSnapshot& state, QSize clientSize)
{
    QImage image(clientSize, QImage::Format_RGB32);
    Paint(image, state);
    return image;
}

} // namespace WaitWindowPicture
