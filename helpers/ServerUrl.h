// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QUrl>

// The address of the server's REST service from what the user typed: blanks, a trailing slash,
// "index.php", a query or fragment are dropped; "/service/v4_1/rest.php" is added unless it is
// there already. Without a scheme, https is assumed, except for the local machine (localhost,
// 127.x, ::1), which is spoken to over http. False with a message for the user when the text is
// not a web address.
bool NormaliseServerUrl(const QString& typed, QUrl& endpoint, QString& error);
