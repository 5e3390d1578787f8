#include "qvdialoghook.h"

namespace qvdialoghook {
static DialogResponder &responder()
{
    static DialogResponder current;
    return current;
}
} // namespace qvdialoghook

DialogResponder setDialogResponder(DialogResponder responder)
{
    DialogResponder previous = std::move(qvdialoghook::responder());
    qvdialoghook::responder() = std::move(responder);
    return previous;
}

bool hasDialogResponder()
{
    return bool(qvdialoghook::responder());
}

int answerByResponder(DialogRequest &request)
{
    // A copy, so that a responder may replace itself while it answers.
    DialogResponder current = qvdialoghook::responder();
    return current(request);
}

ScopedDialogResponder::ScopedDialogResponder(DialogResponder responder)
    : m_previous(setDialogResponder(std::move(responder)))
{ }

ScopedDialogResponder::~ScopedDialogResponder()
{
    setDialogResponder(std::move(m_previous));
}
