// Text that programs on Windows and DOS wrote into Firebird's NONE columns, sent to SQL Server with
// no code page named: each table arrives right, or stops before its first row naming its right
// code page first. Never a garbled value.
#include <gtest/gtest.h>

#include "fakes/legacy_bytes.h"
#include "firebird_target.h"

namespace tess {
namespace {

class LegacyText : public FirebirdTarget {
protected:
    std::string defaultCharacterSet() const override { return "NONE"; }

    // Fills table `name` with the words as `page` writes them, after `asciiRows` rows of plain text.
    void fill(const std::string& name, const std::vector<std::string>& words, const char* page, int asciiRows = 0,
              const char* type = "VARCHAR(60)") {
        auto c = firebird();
        c->execute("CREATE TABLE " + name + " (ID INTEGER, W " + type + ")");
        int id = 0;
        for (; id < asciiRows; ++id)
            c->execute("INSERT INTO " + name + " VALUES (" + std::to_string(id) + ", 'plain " + std::to_string(id) + "')");
        for (const std::string& w : words)
            c->execute("INSERT INTO " + name + " VALUES (" + std::to_string(id++) + ", x'" + Hex(WrittenIn(w, page)) + "')");
        c->close();
    }
    static std::string Hex(const std::string& bytes) {
        std::string out;
        for (unsigned char b : bytes) out += "0123456789ABCDEF"[b >> 4], out += "0123456789ABCDEF"[b & 15];
        return out;
    }
    // The rows of `table` that reached SQL Server, each its statement.
    std::vector<std::string> inserts(const std::string& table) {
        std::vector<std::string> out;
        for (const std::string& call : sqlServer.calls("execute INSERT INTO [" + table + "]")) out.push_back(call);
        return out;
    }
    void send(const std::string& table) {
        select(list2, table);
        SendToSqlServer(db, ui, logins, controls(), guard).PushButton4_Click();
        list2.clear();
    }
    // Right, or stopped before the first row naming `page` first.
    void expectRightOrStopped(const std::string& table, const std::vector<std::string>& words, const char* page,
                              int asciiRows = 0) {
        const std::vector<std::string> sent = inserts(table);
        if (reports().empty()) {
            ASSERT_EQ(sent.size(), words.size() + static_cast<size_t>(asciiRows));
            for (size_t i = 0; i < words.size(); ++i)
                EXPECT_NE(sent[static_cast<size_t>(asciiRows) + i].find("'" + words[i] + "')"), std::string::npos)
                    << sent[static_cast<size_t>(asciiRows) + i];
            return;
        }
        EXPECT_TRUE(sent.empty()) << sent.size() << " rows were written before the stop";
        EXPECT_NE(reports().find(std::string("--fb-none-code-page ") + page + " "), std::string::npos) << reports();
    }
};

struct Language {
    const char* name;
    const char* page;
    std::vector<std::string> words;
};

const Language kLanguages[] = {
    {"CZECH", "windows-1250",
     {"Bělorusko", "Česká republika", "Řecko", "Maďarsko", "Švýcarsko", "Jižní Súdán", "Dvořák", "Martinů",
      "Janáček", "Třebíč", "Děčín", "Přerov", "Plzeň", "Ústí nad Labem", "Čína"}},
    {"TURKISH", "windows-1254",
     {"Türkiye", "Güney Kıbrıs", "Işık", "Çekya", "Doğu Timor", "Güney Afrika", "Birleşik Arap Emirlikleri",
      "Fildişi Sahili", "Mısır", "Ürdün", "Şili", "Gürcistan", "Kırgızistan", "Özbekistan"}},
    {"FRENCH", "windows-1252",
     {"Côte d'Ivoire", "Réunion", "Crème brûlée", "Hôpital", "Noël", "Égypte", "États-Unis", "Île Maurice",
      "Pérou", "Sénégal", "Équateur", "Émirats arabes unis", "Éthiopie", "Biélorussie", "à la française"}},
    {"RUSSIAN_DOS", "cp866",
     {"Россия", "Белоруссия", "Объединённые Арабские Эмираты", "Южная Корея", "Соединённые Штаты", "Франция",
      "Германия", "Чехия", "Швейцария", "Япония", "Китай"}},
    {"POLISH", "windows-1250",
     {"Zażółć gęślą jaźń", "Łódź", "Świętokrzyskie", "Białoruś", "Niemcy", "Włochy", "Hiszpania", "Węgry",
      "Wielka Brytania", "Zjednoczone Emiraty Arabskie", "Gruzja", "Szwecja"}},
    {"HUNGARIAN", "windows-1250",
     {"Magyarország", "Egyesült Királyság", "Németország", "Görögország", "Észtország", "Törökország",
      "Csehország", "Lengyelország", "Oroszország", "Fehéroroszország", "Svájc", "Dél-Afrika"}},
    {"RUSSIAN", "windows-1251",
     {"Россия", "Белоруссия", "Объединённые Арабские Эмираты", "Южная Корея", "Соединённые Штаты", "Франция",
      "Германия", "Чехия", "Швейцария", "Япония", "Китай"}},
    {"BULGARIAN", "windows-1251",
     {"България", "Гърция", "Румъния", "Обединени арабски емирства", "Южна Корея",
      "Съединени американски щати", "Франция", "Германия", "Швейцария", "Япония"}},
    {"GREEK", "windows-1253",
     {"Ελλάδα", "Κύπρος", "Ηνωμένο Βασίλειο", "Γαλλία", "Γερμανία", "Ιταλία", "Ισπανία", "Ρωσία", "Τουρκία",
      "Αίγυπτος"}},
    {"GERMAN", "windows-1252",
     {"Deutschland", "Österreich", "Schweiz", "Großbritannien", "Dänemark", "Südafrika", "Weißrussland",
      "Tschechien", "Vereinigte Arabische Emirate", "Äthiopien", "Türkei", "Französisch-Guayana"}},
    {"SPANISH", "windows-1252",
     {"España", "Perú", "México", "Japón", "Panamá", "Canadá", "Bélgica", "Túnez", "Irán", "Haití",
      "Sudán del Sur", "Pakistán", "República Dominicana"}},
};

TEST_F(LegacyText, EachCodePageArrivesRightOrStopsBeforeAnyRow) {
    for (const Language& l : kLanguages) {
        SCOPED_TRACE(l.name);
        fill(l.name, l.words, l.page);
        ui.boxes.clear();
        send(l.name);
        expectRightOrStopped(l.name, l.words, l.page);
    }
}

// The first 500 rows are ASCII: what decides is the Czech after them, before any row is written.
TEST_F(LegacyText, TextBeyondTheFirstRowsDecidesBeforeAnyRow) {
    const Language& czech = kLanguages[0];
    fill("LATE", czech.words, czech.page, 500);
    send("LATE");
    expectRightOrStopped("LATE", czech.words, czech.page, 500);
    EXPECT_EQ(reports(), "") << "the Czech is sure";
}

// Russian in Windows-1251 whose "Сё" is valid UTF-8 too (it would read "Ѹ"): the table stops before
// any row rather than read that value either way by a guess.
TEST_F(LegacyText, UnicodeThatReadsAsTheLegacyTextTooStopsTheTable) {
    std::vector<std::string> words = kLanguages[6].words;
    words.push_back("Сё");
    fill("MIXED", words, "windows-1251");
    send("MIXED");
    expectRightOrStopped("MIXED", words, "windows-1251");
    EXPECT_NE(reports().find("beside UTF-8 that reads as text in it too"), std::string::npos) << reports();
}

// Memos whose first 5,000 bytes are ASCII: the Czech after them decides (a long memo is told
// apart on the server otherwise than a short one).
TEST_F(LegacyText, LongMemosDecideByWhatFollowsTheirAscii) {
    std::vector<std::string> memos;
    for (const std::string& word : kLanguages[0].words) memos.push_back(std::string(5000, 'x') + " " + word);
    fill("MEMOS", memos, kLanguages[0].page, 0, "BLOB SUB_TYPE TEXT");
    send("MEMOS");
    expectRightOrStopped("MEMOS", memos, kLanguages[0].page);
    EXPECT_EQ(reports(), "") << "the Czech is sure";
}

}  // namespace
}  // namespace tess
