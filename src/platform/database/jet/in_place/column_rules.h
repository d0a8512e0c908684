#pragma once

#include "platform/database/jet/in_place/table_schema.h"
#include "platform/database/jet/in_place/validation_rule.h"
#include "platform/database/jet/jet_backend.h"
#include "platform/runtime/variant.h"

#include <QStringList>
#include <vector>

// The rules Jet applies to the columns of one table on insert, from the
// properties Access keeps for it: default values, AllowZeroLength and
// validation rules.
class ColumnRules {
public:
    // Raises RuntimeError, before anything is changed, naming the column or
    // the rule the writer cannot apply as Jet would.
    ColumnRules(const JetTableSchema& schema, const std::vector<JetProperty>& properties);

    // A row for an insert before the statement's values go into it: the
    // default value of each column the statement does not name (`named`),
    // computed now, Null where there is none. Refused when such a default is
    // one the writer cannot store.
    std::vector<Variant> defaultRow(const std::vector<int>& named) const;

    // Refuses a row Jet would refuse: an empty text where zero-length texts
    // are not allowed, a row a validation rule does not accept.
    void check(const std::vector<Variant>& row) const;

private:
    enum class DefaultKind { Constant, Now, Date };
    struct Default {
        int column = 0;
        DefaultKind kind = DefaultKind::Constant;
        Variant value;
        QString unstorable;  // the default as written, when the column's type cannot hold it here
    };

    struct NamedColumn {
        int column = 0;
        QString name;
    };

    struct Validation {
        ValidationRule rule;
        QString text;     // the rule as Access shows it
        QString message;  // the ValidationText, if any
        QString owner;    // "table.column", or the table
    };

    void readDefault(const SchemaColumn& column, int position, const QString& property);
    void readValidation(const JetTableSchema& schema, int column, const QString& rule, const QString& message);

    QString table_;
    std::size_t columnCount_ = 0;
    QStringList names_;
    std::vector<Default> defaults_;
    std::vector<NamedColumn> noZeroLength_;
    std::vector<Validation> validations_;
};
