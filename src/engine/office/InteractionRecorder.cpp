#include "InteractionRecorder.h"

#include "UnoText.h"

#include <com/sun/star/task/XInteractionAbort.hpp>

using namespace com::sun::star;

void InteractionRecorder::handle(const uno::Reference<task::XInteractionRequest> &request)
{
    if (!request.is())
        return;
    {
        const uno::Any what = request->getRequest();
        std::lock_guard lock(m_mutex);
        m_requests.append(toQString(what.getValueTypeName()));
    }
    const uno::Sequence<uno::Reference<task::XInteractionContinuation>> choices =
        request->getContinuations();
    for (const auto &choice : choices) {
        uno::Reference<task::XInteractionAbort> abort(choice, uno::UNO_QUERY);
        if (abort.is()) {
            abort->select();
            return;
        }
    }
}

QStringList InteractionRecorder::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

bool InteractionRecorder::sawRequest(const QString &typeNamePart) const
{
    std::lock_guard lock(m_mutex);
    for (const QString &r : m_requests) {
        if (r.contains(typeNamePart))
            return true;
    }
    return false;
}
