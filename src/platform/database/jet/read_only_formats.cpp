#include "platform/database/jet/read_only_formats.h"

#include "platform/database/jet/jet_backend.h"
#include "platform/runtime/runtime_error.h"

namespace {

class ReadOnlyJetBackend : public DatabaseBackend {
public:
    ReadOnlyJetBackend(const QString& path, QString formatName)
        : path_(path), formatName_(std::move(formatName)), reader_(OpenJetDatabase(path))
    {
    }

    ResultSet query(const QString& sql) override { return reader_->query(sql); }

    void execute(const QString& sql) override
    {
        if (!sql.trimmed().startsWith(QLatin1String("SELECT"), Qt::CaseInsensitive))
            throw RuntimeError(ErrorNumber::ReadOnlyDatabase,
                               QStringLiteral("Impossibile aggiornare il database '%1': lo strumento non scrive "
                                              "database nel formato %2.")
                                   .arg(path_, formatName_));
        reader_->execute(sql);
    }

    void beginTransaction() override {}
    void commitTransaction() override {}
    void rollbackTransaction() override {}

private:
    QString path_;
    QString formatName_;
    std::unique_ptr<DatabaseBackend> reader_;
};

}  // namespace

std::unique_ptr<DatabaseBackend> OpenReadOnlyJetDatabase(const QString& path, const QString& formatName)
{
    return std::make_unique<ReadOnlyJetBackend>(path, formatName);
}
