#pragma once

#include <com/sun/star/task/XInteractionHandler.hpp>
#include <cppuhelper/implbase1.hxx>

#include <QStringList>

#include <mutex>

// The interaction handler passed with every load: it never waits for a
// person. It notes the type of every request and answers each with Abort.
class InteractionRecorder
    : public cppu::WeakImplHelper1<com::sun::star::task::XInteractionHandler>
{
public:
    void SAL_CALL handle(
        const com::sun::star::uno::Reference<com::sun::star::task::XInteractionRequest> &request)
        override;

    QStringList requests() const;
    bool sawRequest(const QString &typeNamePart) const;

private:
    mutable std::mutex m_mutex;
    QStringList m_requests;
};
