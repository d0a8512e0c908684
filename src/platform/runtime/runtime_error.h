#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <exception>

// The error numbers support staff know from the Windows platform: the
// language runtime's own codes and the OLE DB/ADO HRESULTs, as signed 32-bit.
namespace ErrorNumber {
constexpr std::int32_t InvalidArgument = 5;  // a value the operation cannot take
constexpr std::int32_t Overflow = 6;
constexpr std::int32_t OutOfMemory = 7;
constexpr std::int32_t TypeMismatch = 13;
constexpr std::int32_t InvalidUseOfNull = 94;
constexpr std::int32_t ItemNotFound = 3265;     // a field name the row lacks
constexpr std::int32_t NoCurrentRecord = 3021;  // BOF or EOF is true
constexpr std::int32_t ObjectClosed = 3704;     // operation on a closed object
constexpr std::int32_t ObjectOpen = 3705;       // opening an object already open
constexpr std::int32_t ProviderNotFound = 3706;
constexpr std::int32_t NoActiveConnection = 3709;                                  // command without an open connection
constexpr std::int32_t Failure = static_cast<std::int32_t>(0x80004005);            // E_FAIL
constexpr std::int32_t NoSuchTable = static_cast<std::int32_t>(0x80040E37);        // DB_E_NOTABLE
constexpr std::int32_t StatementRejected = static_cast<std::int32_t>(0x80040E14);  // DB_E_ERRORSINCOMMAND
constexpr std::int32_t IntegrityViolation = static_cast<std::int32_t>(0x80040E2F);    // DB_E_INTEGRITYVIOLATION
constexpr std::int32_t ReadOnlyDatabase = static_cast<std::int32_t>(0x80040E09);      // DB_SEC_E_PERMISSIONDENIED
constexpr std::int32_t AuthenticationFailed = static_cast<std::int32_t>(0x80040E4D);  // DB_SEC_E_AUTH_FAILED
}  // namespace ErrorNumber

// A run-time error as the error traps see it: a number and a description.
// Raised by the database layer, the registry files and the value conversions;
// caught by the procedures that arm a trap, which report it and end.
class RuntimeError : public std::exception {
public:
    RuntimeError(std::int32_t number, QString description);

    std::int32_t number() const { return number_; }
    const QString& description() const { return description_; }
    const char* what() const noexcept override { return what_.constData(); }

    // The runtime's own errors, with their standard Italian descriptions.
    static RuntimeError overflow();
    static RuntimeError outOfMemory();
    static RuntimeError typeMismatch();
    static RuntimeError invalidUseOfNull();

private:
    std::int32_t number_;
    QString description_;
    QByteArray what_;
};
