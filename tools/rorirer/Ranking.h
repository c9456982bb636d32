// How the program and its server rank: every store gets the built-in word
// frequencies (the corpus counts rank the words of every list) and the
// ranking model, whose parameters RORIRER_RANKING may change
// ("document=1500,recentDecay=0.9"; completion/RankingModel.h names them).
// That variable is for fitting the model (bench/ksr-fit), not for everyday
// use.
#ifndef RORIRER_TOOLS_RANKING_H
#define RORIRER_TOOLS_RANKING_H

#include <memory>

#include "completion/CompletionStore.h"
#include "completion/RankingModel.h"
#include "completion/StoreImage.h"
#include "completion/WordFrequencies.h"

namespace rorirer {

// Read once, on first use, and shared by every store of the run.
std::shared_ptr<const WordFrequencies> builtinFrequencyTable();

// The model, with RORIRER_RANKING's settings over the defaults. Throws
// ToolError when they cannot be read.
RankingModel rankingModel();

// Gives an empty store the frequencies and the model.
void prepareRanking(CompletionStore& store);

// True unless RORIRER_RANKING changes the model. Compiled lists hold the
// estimates of the default model, so only then are they kept and read.
bool defaultRanking();

// The store an image holds, ranked as a fresh build of its words would be.
CompletionStore loadRanked(ImageLoader& loader, BuildProgress* progress);

}  // namespace rorirer

#endif  // RORIRER_TOOLS_RANKING_H
