#include "OfficeError.h"

OfficeError::OfficeError(Kind kind, const QString &message)
    : std::runtime_error(message.toStdString())
    , m_kind(kind)
    , m_message(message)
{
}
