#pragma once
// Questions asked by the product and creator dialogs, with the modal results of the
// message window (OK 1, Cancel 2, Yes 6, No 7).
#include "base/UModalResult.h"
#include <QString>
#include <functional>

class QWidget;

namespace velmo {

enum class TQuestionButtons
{
    OkCancel,
    YesNoCancel,
};

// Shows the question modally; the result is one of the modal results above.
using TAskFunction = std::function<int(QWidget* parent, const QString& text, TQuestionButtons buttons)>;
int AskQuestion(QWidget* parent, const QString& text, TQuestionButtons buttons);
// The application puts its own message window behind AskQuestion; without one a
// plain toolkit message box asks.
void SetQuestionHandler(TAskFunction handler);

} // namespace velmo
