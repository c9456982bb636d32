#include "lsp/ServerWords.h"

#include <utility>

namespace rorirer::lsp {

ServerWords::ServerWords(const WordRules& rules, bool keepNumbers, Loader loader)
    : loader_(std::move(loader)),
      store_(std::make_unique<CompletionStore>()),
      documentWords_(rules, keepNumbers),
      typedWords_(rules, keepNumbers),
      documentPairs_(rules, keepNumbers) {
    documentWords_.setStore(store_.get());
    documentWords_.setDeferAbove(kDeferAboveWords);
    documentPairs_.setReadLaterAbove(kReadPairsLaterAbove);
    typedWords_.setStore(store_.get());
}

void ServerWords::load(const Settings& settings) {
    Settings next = settings;
    auto fresh = std::make_unique<CompletionStore>(settings.minLength);
    loader_(*fresh, settings);
    documentWords_.setStore(nullptr);
    documentWords_.setLearning(settings.learnFromDocuments);
    install(std::move(fresh));
    settings_ = std::move(next);
}

void ServerWords::applySettings(const Settings& settings) {
    // A new store gets every count; the old one must not be left short.
    documentWords_.flush();
    Settings next = settings;
    if (settings.minLength != settings_.minLength ||
        settings.dictionaries != settings_.dictionaries) {
        std::unique_ptr<CompletionStore> fresh;
        try {
            fresh = std::make_unique<CompletionStore>(settings.minLength);
            loader_(*fresh, settings);
            if (settings.learnFromDocuments) documentWords_.addAllTo(*fresh);
        } catch (...) {
            // The old store serves on, learning as the client now asks.
            applyLearning(settings.learnFromDocuments);
            throw;
        }
        // Nothing below throws: the old store serves until here.
        documentWords_.setStore(nullptr);
        documentWords_.setLearning(settings.learnFromDocuments);
        install(std::move(fresh));
    } else {
        applyLearning(settings.learnFromDocuments);
    }
    settings_ = std::move(next);
}

void ServerWords::applyLearning(bool on) {
    if (on == settings_.learnFromDocuments) return;
    documentWords_.setLearning(on);
    settings_.learnFromDocuments = on;
}

void ServerWords::install(std::unique_ptr<CompletionStore> store) noexcept {
    store_ = std::move(store);
    documentWords_.setStore(store_.get());
    typedWords_.setStore(store_.get());
}

}  // namespace rorirer::lsp
