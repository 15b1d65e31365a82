#pragma once
// The step numbers of each table of a send, as "Send Table/s To Firebird" and "Send Table/s To SQL
// Server" number them: the windows' error reports carry them, and the companion's lines match.
#include "transfer/copy_observer.h"

namespace tess {

// 0 for a step the direction lacks.
struct TableSteps {
    int selected, name, listed, ask, openSource, drop, unlist, columns, create;
    int count, begin, eof, commitBatch, progress, readRow, insert, moveNext, commit;
    int resetProgress, closeSource, addToList;

    // The number of the step where the copy was when a stage failed. The steps that show what
    // happened (progress, unlist, resetProgress, addToList) are the window's own, numbered by it.
    int of(CopyStage stage) const;
};

inline constexpr TableSteps kToFirebirdSteps{
    .selected = 134, .name = 136, .listed = 138, .ask = 140, .openSource = 152, .drop = 148, .unlist = 150,
    .columns = 158, .create = 228, .count = 236, .begin = 238, .eof = 240, .commitBatch = 242, .progress = 246,
    .readRow = 254, .insert = 318, .moveNext = 320, .commit = 322, .resetProgress = 324, .closeSource = 326,
    .addToList = 328};

inline constexpr TableSteps kToSqlServerSteps{
    .selected = 132, .name = 134, .listed = 136, .ask = 138, .openSource = 150, .drop = 146, .unlist = 148,
    .columns = 158, .create = 210, .count = 218, .begin = 0, .eof = 220, .commitBatch = 0, .progress = 224,
    .readRow = 232, .insert = 250, .moveNext = 252, .commit = 0, .resetProgress = 256, .closeSource = 258,
    .addToList = 260};

// The steps of "Next >" that list each side's tables.
inline constexpr int kListSqlServerTablesStep = 110, kListFirebirdTablesStep = 112;

inline const TableSteps& StepsOf(bool toFirebird) { return toFirebird ? kToFirebirdSteps : kToSqlServerSteps; }

}  // namespace tess
