#include "BridgeWatcher.h"

BridgeWatcher::BridgeWatcher(std::shared_ptr<std::atomic<bool>> disposed)
    : m_disposed(std::move(disposed))
{
}

void BridgeWatcher::disposing(const com::sun::star::lang::EventObject &)
{
    m_disposed->store(true);
}
