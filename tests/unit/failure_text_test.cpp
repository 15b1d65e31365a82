// The observers word a failure from its kind and facts: the engine gives the driver's words alone,
// and the box and the line read as they always did.
#include "report/failure_text.h"

#include <gtest/gtest.h>

namespace tess {
namespace {

CopyFailure Failure(FailureKind kind, std::string words, TableConsequence consequence = TableConsequence::kNone) {
    CopyFailure f{CopyStage::kInsert, kind, std::move(words)};
    f.target = "T";
    f.consequence = consequence;
    return f;
}

TEST(FailureText, EachKindAndConsequenceIsWordedOnce) {
    CopyFailure dropRefused = Failure(FailureKind::kTableRefused, "in use", TableConsequence::kLeftAsItWas);
    dropRefused.dropped = "t";
    CopyFailure dropCut = Failure(FailureKind::kConnectionLost, "[08S01] link", TableConsequence::kDropUnknown);
    dropCut.dropped = "t";
    CopyFailure standing = Failure(FailureKind::kConnectionLost, "[08S01] link failure", TableConsequence::kRowsStand);
    standing.rowsStanding = 200;
    CopyFailure stalled = Failure(FailureKind::kStalled, "cancelled", TableConsequence::kRowsStand);
    CopyFailure repeated = Failure(FailureKind::kTableEnded, "string truncation", TableConsequence::kRowsStand);
    repeated.sameFailures = 100;
    repeated.rowsStanding = 2;
    CopyFailure twin = Failure(FailureKind::kTableRefused, "", TableConsequence::kCaseTwin);
    twin.alike = {"t"};
    CopyFailure alike = Failure(FailureKind::kTableRefused, "", TableConsequence::kNamesAlike);
    alike.alike = {"t", "T2"};
    const struct {
        CopyFailure failure;
        const char* text;
    } cases[] = {
        {Failure(FailureKind::kRowRefused, "numeric overflow"), "numeric overflow"},
        {Failure(FailureKind::kStep, "cannot count"), "cannot count"},
        {Failure(FailureKind::kTableRefused, "no room", TableConsequence::kNoRowsSent),
         "no room\nT was not copied: no rows were sent to it."},
        {dropRefused, "in use\nt was left as it was, and T was not copied."},
        {dropCut, "[08S01] link\nWhether t was dropped is not known: the connection went with the DROP under way. T "
                  "was not copied."},
        {standing, "[08S01] link failure\nThe copy of T ended here; 200 rows of it stand in the target."},
        {stalled, "cancelled\nNothing came through for the stall time-out, so the copy stopped waiting.\n"
                  "The copy of T ended here; 0 rows of it stand in the target."},
        {Failure(FailureKind::kStopped, "lost", TableConsequence::kRowsStand),
         "lost\nThe server did not answer the stop, so its connection was given up.\n"
         "The copy of T ended here; 0 rows of it stand in the target."},
        {repeated, "string truncation\nThe last 100 rows all failed this way, so the rest were not tried.\n"
                   "The copy of T ended here; 2 rows of it stand in the target."},
        {Failure(FailureKind::kTableEnded, "table unknown", TableConsequence::kTableGone),
         "table unknown\nThe copy of T ended here: the table is no longer in the target."},
        {Failure(FailureKind::kFateUnknown, "invalid transaction handle"),
         "invalid transaction handle\nThe rows' transaction could be neither committed nor rolled back: whether its "
         "last rows stand is not known."},
        {twin, "T and t differ only in case, which the target takes for one name: t, copied just before, was not "
               "replaced, and T was not copied."},
        {alike, "More than one table matches T without regard to case (t, T2); none was replaced, and T was not "
                "copied."},
    };
    for (const auto& c : cases) EXPECT_EQ(FailureText(c.failure), c.text);
}

}  // namespace
}  // namespace tess
