#pragma once
// Questions asked by the product and creator dialogs, with the modal results of the
// message window (OK 1, Cancel 2, Yes 6, No 7).
#include <QString>
#include <functional>

class QWidget;

namespace velmo {

constexpr int mrNone = 0;
constexpr int mrOk = 1;
constexpr int mrCancel = 2;
constexpr int mrYes = 6;
constexpr int mrNo = 7;

enum class TQuestionButtons
{
    OkCancel,
    YesNoCancel,
};

// Shows the question modally; the result is one of the modal results above.
using TAskFunction = std::function<int(QWidget* parent, const QString& text, TQuestionButtons buttons)>;
int AskQuestion(QWidget* parent, const QString& text, TQuestionButtons buttons);

} // namespace velmo
