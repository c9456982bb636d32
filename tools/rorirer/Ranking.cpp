#include "Ranking.h"

#include <cstdlib>
#include <string>

#include "BuiltinWords.h"
#include "ToolError.h"

namespace rorirer {

std::shared_ptr<const WordFrequencies> builtinFrequencyTable() {
    static const std::shared_ptr<const WordFrequencies> table = [] {
        auto frequencies = std::make_shared<WordFrequencies>();
        const BuiltinWords text = builtinFrequencies();
        frequencies->addLines(std::string_view(text.data, text.size));
        // The built-in list holds the contractions of English, whatever list
        // the words come from.
        const BuiltinWords words = builtinWords();
        frequencies->learnContractions(std::string_view(words.data, words.size));
        return frequencies;
    }();
    return table;
}

RankingModel rankingModel() {
    RankingModel model;
    const char* settings = std::getenv("RORIRER_RANKING");
    std::string error;
    if (settings != nullptr && !model.parse(settings, error))
        throw ToolError("RORIRER_RANKING: " + error);
    return model;
}

void prepareRanking(CompletionStore& store) {
    store.setRankingModel(rankingModel());
    store.setFrequencies(builtinFrequencyTable());
}

bool defaultRanking() { return rankingModel().describe() == RankingModel().describe(); }

CompletionStore loadRanked(ImageLoader& loader, BuildProgress* progress) {
    if (defaultRanking()) {
        const ImageLoader::Ranking ranking{RankingModel(), builtinFrequencyTable()};
        return loader.load(progress, &ranking);
    }
    // Another model: every word scored again, its estimate looked up anew.
    CompletionStore store = loader.load(progress);
    prepareRanking(store);
    return store;
}

}  // namespace rorirer
