// SPDX-License-Identifier: MIT
// Pieces every dialog of the program is built from, so they look and behave alike.
#pragma once

#include <QString>

class QHBoxLayout;
class QLayout;
class QPushButton;
class QWidget;

// Gives a widget the object name tests find it by; returns it for use in place.
template <class T> T* Named(T* pWidget, const char* szName)
{
    pWidget->setObjectName(QString::fromLatin1(szName));
    return pWidget;
}

// A push button that tests find by its object name.
QPushButton* MakeButton(const char* szObjectName, const QString& caption, QWidget* pParent);

// The bottom row of a dialog: "&OK" (the default button) and "&Cancel", right-aligned.
QHBoxLayout* MakeOkCancelRow(QWidget* pParent, QPushButton*& pOK, QPushButton*& pCancel);

// The window's layout: the header band on top, the body under it taking nBodyStretch.
void LayOutUnderHeader(QWidget* pWindow, QLayout* pBody, int nBodyStretch = 0);
