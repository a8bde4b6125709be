// SPDX-License-Identifier: MIT
// The review list's view as the review page sets it up, shown at a given width, for the benches that
// time filling the list.
#pragma once

#include <QAbstractItemModel>
#include <QApplication>
#include <QTreeView>

inline void ShowReviewView(QTreeView& view, QAbstractItemModel& model, int nWidth)
{
    view.setUniformRowHeights(true);
    view.setRootIsDecorated(false);
    view.setModel(&model);
    view.resize(nWidth, 300);
    view.show();
    QApplication::processEvents();
}
