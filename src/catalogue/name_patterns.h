#pragma once
// The few shapes of catalogue text that the structure readers recognise, matched by hand: a plain
// number, the names a database makes up for itself, and a trigger that numbers a column.
#include <optional>
#include <string>
#include <string_view>

namespace tess {

// "-12", "1.5", "2.5e-3".
bool IsPlainNumber(std::string_view text);
// Firebird's INTEG_12, RDB$PRIMARY3, RDB$FOREIGN7, RDB$45.
bool IsMadeUpFirebirdName(std::string_view name);
// SQL Server's PK__ORDERS__3214EC07…, UQ__, FK__, DF__ (8 or more hexadecimal digits at the end),
// and the stand-in's own (stand_in_quirks.h).
bool IsMadeUpSqlServerName(std::string_view name);
// The column a trigger's body numbers from a generator: "NEW.ID = GEN_ID(G, 1)" or
// "NEW.ID = NEXT VALUE FOR G", in any case and spacing; a bare name upper-cased, as the engine
// keeps it. Nothing when the body does no such thing.
std::optional<std::string> GeneratorFedColumn(std::string_view body);

}  // namespace tess
