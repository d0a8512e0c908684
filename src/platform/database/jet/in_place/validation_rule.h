#pragma once

#include "platform/database/jet/in_place/table_schema.h"
#include "platform/runtime/variant.h"

#include <QString>
#include <memory>
#include <optional>
#include <vector>

// A ValidationRule of a column or of a table, evaluated as Jet evaluates it
// when a row is inserted. The rules read are those made of comparisons,
// Between, In, Like and Is [Not] Null over constants and columns, joined by
// And, Or and Not; a column's rule may leave its column out ("> 0").
class ValidationRule {
public:
    // `column` is the position of the column the rule belongs to, -1 for the
    // table's own rule. Empty when the rule is not one of those read here.
    static std::optional<ValidationRule> Read(const JetTableSchema& schema, int column, const QString& rule);

    // Whether the row passes: a rule that comes out Null passes, as in Jet.
    // Empty when the row holds a text the rule cannot compare (a character
    // beyond Latin-1).
    std::optional<bool> passes(const std::vector<Variant>& row) const;

    struct Node;

private:
    explicit ValidationRule(std::shared_ptr<const Node> root) : root_(std::move(root)) {}

    std::shared_ptr<const Node> root_;
};
