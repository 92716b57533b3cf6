#pragma once

// One UNO connection to one office process, with the watchdog every call runs
// under. Private to this folder: it carries UNO types.

#include "CallWatchdog.h"
#include "OfficeError.h"

#include <com/sun/star/bridge/XBridge.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/uno/Exception.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include <QString>

#include <atomic>
#include <chrono>
#include <memory>

enum class CallKind {
    Quick, // getters and small edits
    Long   // load, save, export, start-up
};

struct CallLimits
{
    std::chrono::milliseconds quick{15000};
    std::chrono::milliseconds longer{180000};
};

class OfficeConnection
{
public:
    // Connects to the pipe once; null when nobody accepts on it yet.
    static std::shared_ptr<OfficeConnection> tryOpen(const QString &pipe,
                                                     std::shared_ptr<CallWatchdog> watchdog,
                                                     qint64 pgid, CallLimits limits);

    // Runs f under the watchdog and turns UNO failures into OfficeError.
    template<class F>
    auto call(CallKind kind, F &&f) -> decltype(f())
    {
        if (isGone())
            throw goneError();
        WatchedScope scope(*m_watchdog, kind == CallKind::Quick ? m_limits.quick : m_limits.longer,
                           [this] { expire(); });
        try {
            return f();
        } catch (const OfficeError &) {
            throw;
        } catch (const com::sun::star::lang::DisposedException &) {
            m_gone = true;
            throw goneError();
        } catch (const com::sun::star::uno::Exception &e) {
            if (m_killed || m_disposed->load()) {
                m_gone = true;
                throw goneError();
            }
            throw OfficeError(OfficeError::Kind::Failed, failureText(e));
        }
    }

    bool isGone() const { return m_gone || m_disposed->load(); }
    bool wasKilledByWatchdog() const { return m_killed; }
    void markGone() { m_gone = true; }
    void setLimits(CallLimits limits) { m_limits = limits; }

    const com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext> &context() const
    {
        return m_context;
    }
    const com::sun::star::uno::Reference<com::sun::star::frame::XDesktop2> &desktop() const
    {
        return m_desktop;
    }

    static QString failureText(const com::sun::star::uno::Exception &e);
    static com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext> localContext();

private:
    OfficeConnection() = default;
    void expire();
    OfficeError goneError() const;

    std::shared_ptr<CallWatchdog> m_watchdog;
    qint64 m_pgid = 0;
    CallLimits m_limits;
    std::shared_ptr<std::atomic<bool>> m_disposed = std::make_shared<std::atomic<bool>>(false);
    std::atomic<bool> m_killed{false};
    std::atomic<bool> m_gone{false};
    com::sun::star::uno::Reference<com::sun::star::bridge::XBridge> m_bridge;
    com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext> m_context;
    com::sun::star::uno::Reference<com::sun::star::frame::XDesktop2> m_desktop;
};
