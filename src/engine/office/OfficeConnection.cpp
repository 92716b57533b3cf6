#include "OfficeConnection.h"

#include "BridgeWatcher.h"
#include "UnoText.h"

#include <com/sun/star/bridge/BridgeFactory.hpp>
#include <com/sun/star/bridge/XBridgeFactory2.hpp>
#include <com/sun/star/connection/Connector.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/connection/XConnector.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <cppuhelper/bootstrap.hxx>

#include <QCoreApplication>

#include <csignal>
#include <cstdlib>
#include <mutex>

using namespace com::sun::star;

uno::Reference<uno::XComponentContext> OfficeConnection::localContext()
{
    static std::once_flag once;
    static uno::Reference<uno::XComponentContext> context;
    std::call_once(once, [] {
        if (!std::getenv("URE_BOOTSTRAP")) {
            ::setenv("URE_BOOTSTRAP",
                     "vnd.sun.star.pathname:" QUIRN_LO_PROGRAM "/fundamentalrc", 1);
        }
        try {
            context = cppu::defaultBootstrap_InitialComponentContext();
        } catch (const uno::Exception &) {
            context.clear();
        }
    });
    return context;
}

std::shared_ptr<OfficeConnection> OfficeConnection::tryOpen(const QString &pipe,
                                                            std::shared_ptr<CallWatchdog> watchdog,
                                                            qint64 pgid, CallLimits limits)
{
    const uno::Reference<uno::XComponentContext> local = localContext();
    if (!local.is()) {
        throw OfficeError(OfficeError::Kind::StartFailed,
                          QStringLiteral("表計算エンジンの接続部品を読み込めません。"));
    }
    std::shared_ptr<OfficeConnection> c(new OfficeConnection);
    c->m_watchdog = std::move(watchdog);
    c->m_pgid = pgid;
    c->m_limits = limits;
    try {
        return c->call(CallKind::Quick, [&]() -> std::shared_ptr<OfficeConnection> {
            uno::Reference<connection::XConnector> connector = connection::Connector::create(local);
            uno::Reference<connection::XConnection> link;
            try {
                link = connector->connect(toOUString(QStringLiteral("pipe,name=") + pipe));
            } catch (const connection::NoConnectException &) {
                return nullptr;
            }
            uno::Reference<bridge::XBridgeFactory2> factory = bridge::BridgeFactory::create(local);
            c->m_bridge = factory->createBridge(rtl::OUString(), "urp", link, nullptr);
            uno::Reference<lang::XComponent> bridgeComponent(c->m_bridge, uno::UNO_QUERY_THROW);
            bridgeComponent->addEventListener(new BridgeWatcher(c->m_disposed));
            c->m_context.set(c->m_bridge->getInstance("StarOffice.ComponentContext"),
                             uno::UNO_QUERY_THROW);
            c->m_desktop = frame::Desktop::create(c->m_context);
            return c;
        });
    } catch (const OfficeError &e) {
        if (e.kind() == OfficeError::Kind::NotResponding)
            throw;
        return nullptr; // the process is still starting; try again
    }
}

void OfficeConnection::expire()
{
    m_killed = true;
    if (m_pgid > 0)
        ::kill(-pid_t(m_pgid), SIGKILL);
}

OfficeError OfficeConnection::goneError() const
{
    if (m_killed) {
        return OfficeError(OfficeError::Kind::NotResponding,
                           QStringLiteral("表計算エンジンが応答しないため、処理を中止しました。"
                                          "エンジンは終了させました。"));
    }
    return OfficeError(OfficeError::Kind::ProcessGone,
                       QStringLiteral("表計算エンジンが終了しているため、処理できません。"));
}

QString OfficeConnection::failureText(const uno::Exception &e)
{
    const QString detail = toQString(e.Message);
    const QString text = QStringLiteral("表計算エンジンで処理できませんでした。");
    return detail.isEmpty() ? text : text + QStringLiteral("（") + detail + QStringLiteral("）");
}
