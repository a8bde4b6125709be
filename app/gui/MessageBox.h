// SPDX-License-Identifier: MIT
// Every message box of the program goes through here, so that tests can expect and answer them.
#pragma once

#include <QString>

#include <functional>
#include <memory>

class QMessageBox;
class QWidget;

class MessageBox final
{
public:
    enum class Kind
    {
        Error,       // "Error", error icon: invalid input
        Info,        // "Error", information icon: a failed load, a missing log file
        Confirmation // "Confirmation", question icon, Yes / No / Cancel
    };

    enum class Answer
    {
        Ok,
        Yes,
        No,
        Cancel
    };

    MessageBox() = delete;

    // The owner is the window the box belongs to; null means the active modal or active window.
    static void ShowError(QWidget* pOwner, const QString& text);
    static void ShowInfo(QWidget* pOwner, const QString& text);
    static Answer AskConfirmation(QWidget* pOwner, const QString& text);

    // The box as it would be shown, not yet executed.
    static std::unique_ptr<QMessageBox> Build(Kind kind, QWidget* pOwner, const QString& text);

    // ---- Test mode: no box is shown; each one must have been expected. ----------------------

    // Called at once with a description whenever a box was not expected or differs from the one
    // expected; the test main turns this into a test failure.
    using FailureHandler = std::function<void(const QString& description)>;
    static void EnableTestMode(FailureHandler onFailure);
    // The next box must be of this kind with exactly this text; it gets this answer.
    static void Expect(Kind kind, const QString& text, Answer answer = Answer::Ok);
    // Expected boxes that have not appeared yet.
    static int PendingCount();
    // Forgets what is still expected, so one test's leftovers do not fail the next.
    static void ClearExpected();
    // The owner window of the last box that appeared in test mode.
    static QWidget* LastOwner();
};
