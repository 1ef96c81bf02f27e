// Descrambling and parsing of one 4 KiB card comment, as the document does per comment.

#include <benchmark/benchmark.h>

#include <string>

#include "card/CardInfo.h"
#include "card/Scrambler.h"
#include "collection/ColDef.h"

namespace {

constexpr std::size_t kCommentSize = 4096;

std::string PlainComment() {
    std::string text =
        "tSN|SPV0100|DCR07122026|CVE0110|CNATessellon Publisher|gen|TITPyrite from Navajun|LDE";
    const std::string tail =
        "|bca|LAY7|NAMAnn Example|STAMain Street 1|PHO+34 555 0100|FAX+34 555 0101|"
        "URLwww.example.org|EMAann@example.org|MSGCollector of minerals|col|CTYMIN|NAMPyrite|"
        "FORFeS2|HAR6-6.5|LOCNavajun, La Rioja|cpr|CST0|CREPhoto: Ann Example|HLDAnn Example|end";
    const std::string line = "Cubic crystals in marl, sharp faces, bright metallic lustre.\r\n";
    while (text.size() + line.size() + tail.size() <= kCommentSize) {
        text += line;
    }
    text.append(kCommentSize - text.size() - tail.size(), '.');
    return text + tail;
}

ColDefList Definitions() {
    ColDefList defs;
    const char* const codes[] = {"NAM", "FOR", "HAR", "LOC"};
    auto def = std::make_unique<ColDef>();
    def->SetCode("MIN");
    def->SetName("Minerals");
    for (int i = 0; i < 4; ++i) {
        def->AddField();
        def->SetFieldCode(i, codes[i]);
        def->SetFieldLabel(i, std::string("Label ") + codes[i]);
    }
    defs.push_back(std::move(def));
    return defs;
}

void BM_DescrambleAndParse4KiB(benchmark::State& state) {
    const std::string comment = ScrambleComment(PlainComment()).value();
    const ColDefList defs = Definitions();
    CardInfo card;
    for (auto _ : state) {
        card.Parse(defs, comment);
        benchmark::DoNotOptimize(card.m_description.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(comment.size()));
}
BENCHMARK(BM_DescrambleAndParse4KiB);

}  // namespace
