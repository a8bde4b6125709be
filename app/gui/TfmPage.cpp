// SPDX-License-Identifier: MIT
#include "gui/TfmPage.h"

TfmPage::TfmPage(QWidget* pParent) : QWidget(pParent) {}

TfmPage::~TfmPage() = default;
