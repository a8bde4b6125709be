// SPDX-License-Identifier: MIT
#include "gui/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

#include <deque>

namespace
{

struct ExpectedBox
{
    MessageBox::Kind kind;
    QString text;
    MessageBox::Answer answer;
};

bool g_bTestMode = false;
MessageBox::FailureHandler g_onFailure;
std::deque<ExpectedBox> g_expected;
QPointer<QWidget> g_pLastOwner;

const char* KindName(MessageBox::Kind kind)
{
    switch (kind) {
    case MessageBox::Kind::Error:
        return "error";
    case MessageBox::Kind::Info:
        return "information";
    default:
        return "confirmation";
    }
}

QWidget* ResolveOwner(QWidget* pOwner)
{
    if (pOwner != nullptr)
        return pOwner->window();
    if (QWidget* pModal = QApplication::activeModalWidget())
        return pModal;
    return QApplication::activeWindow();
}

// What a box would answer when nobody is there to click it: never a Yes.
MessageBox::Answer Unanswered(MessageBox::Kind kind)
{
    return kind == MessageBox::Kind::Confirmation ? MessageBox::Answer::Cancel : MessageBox::Answer::Ok;
}

MessageBox::Answer TakeExpected(MessageBox::Kind kind, QWidget* pOwner, const QString& text)
{
    g_pLastOwner = pOwner;
    if (g_expected.empty()) {
        g_onFailure(QStringLiteral("unexpected %1 box: \"%2\"").arg(QString::fromLatin1(KindName(kind)), text));
        return Unanswered(kind);
    }
    const ExpectedBox expected = g_expected.front();
    g_expected.pop_front();
    if (expected.kind != kind || expected.text != text) {
        g_onFailure(QStringLiteral("expected %1 box \"%2\", got %3 box \"%4\"")
                        .arg(QString::fromLatin1(KindName(expected.kind)), expected.text,
                             QString::fromLatin1(KindName(kind)), text));
        return Unanswered(kind);
    }
    return expected.answer;
}

MessageBox::Answer Run(MessageBox::Kind kind, QWidget* pOwner, const QString& text)
{
    QWidget* pWindow = ResolveOwner(pOwner);
    if (g_bTestMode)
        return TakeExpected(kind, pWindow, text);
    const std::unique_ptr<QMessageBox> box = MessageBox::Build(kind, pWindow, text);
    switch (box->exec()) {
    case QMessageBox::Yes:
        return MessageBox::Answer::Yes;
    case QMessageBox::No:
        return MessageBox::Answer::No;
    case QMessageBox::Cancel:
        return MessageBox::Answer::Cancel;
    default:
        return MessageBox::Answer::Ok;
    }
}

} // namespace

void MessageBox::ShowError(QWidget* pOwner, const QString& text)
{
    Run(Kind::Error, pOwner, text);
}

void MessageBox::ShowInfo(QWidget* pOwner, const QString& text)
{
    Run(Kind::Info, pOwner, text);
}

MessageBox::Answer MessageBox::AskConfirmation(QWidget* pOwner, const QString& text)
{
    return Run(Kind::Confirmation, pOwner, text);
}

std::unique_ptr<QMessageBox> MessageBox::Build(Kind kind, QWidget* pOwner, const QString& text)
{
    auto box = std::make_unique<QMessageBox>(pOwner);
    box->setText(text);
    box->setWindowModality(Qt::ApplicationModal);
    switch (kind) {
    case Kind::Error:
        box->setWindowTitle(QStringLiteral("Error"));
        box->setIcon(QMessageBox::Critical);
        box->setStandardButtons(QMessageBox::Ok);
        break;
    case Kind::Info:
        box->setWindowTitle(QStringLiteral("Error"));
        box->setIcon(QMessageBox::Information);
        box->setStandardButtons(QMessageBox::Ok);
        break;
    case Kind::Confirmation:
        box->setWindowTitle(QStringLiteral("Confirmation"));
        box->setIcon(QMessageBox::Question);
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        // Enter must not answer a question about deleting records with Yes by accident.
        box->setDefaultButton(QMessageBox::No);
        break;
    }
    return box;
}

void MessageBox::EnableTestMode(FailureHandler onFailure)
{
    g_bTestMode = true;
    g_onFailure = std::move(onFailure);
}

void MessageBox::Expect(Kind kind, const QString& text, Answer answer)
{
    g_expected.push_back({kind, text, answer});
}

int MessageBox::PendingCount()
{
    return static_cast<int>(g_expected.size());
}

void MessageBox::ClearExpected()
{
    g_expected.clear();
}

QWidget* MessageBox::LastOwner()
{
    return g_pLastOwner.data();
}
