#pragma once

#include <com/sun/star/lang/XEventListener.hpp>
#include <cppuhelper/implbase1.hxx>

#include <atomic>
#include <memory>

// Told by the UNO bridge when it goes away (the office process ended or was
// killed); sets a flag the connection reads without a remote call.
class BridgeWatcher : public cppu::WeakImplHelper1<com::sun::star::lang::XEventListener>
{
public:
    explicit BridgeWatcher(std::shared_ptr<std::atomic<bool>> disposed);
    void SAL_CALL disposing(const com::sun::star::lang::EventObject &source) override;

private:
    std::shared_ptr<std::atomic<bool>> m_disposed;
};
