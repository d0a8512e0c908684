#include "platform/runtime/runtime_error.h"

RuntimeError::RuntimeError(std::int32_t number, QString description)
    : number_(number),
      description_(std::move(description)),
      what_(QStringLiteral("%1: %2").arg(number_).arg(description_).toUtf8())
{
}

RuntimeError RuntimeError::overflow()
{
    return {ErrorNumber::Overflow, QStringLiteral("Overflow")};
}

RuntimeError RuntimeError::outOfMemory()
{
    return {ErrorNumber::OutOfMemory, QStringLiteral("Memoria esaurita")};
}

RuntimeError RuntimeError::typeMismatch()
{
    return {ErrorNumber::TypeMismatch, QStringLiteral("Tipo non corrispondente")};
}

RuntimeError RuntimeError::invalidUseOfNull()
{
    return {ErrorNumber::InvalidUseOfNull, QStringLiteral("Utilizzo non valido di Null")};
}
