#pragma once
// The counts of words over the segments of an analysis: the one place where
// the window "Vocabulaire" and the command line (--vocabulaire,
// --mots-caracteristiques) count, so that both give the same figures.
//
// - countVocabulary: the vocabulary (words/vocabulary.h) of the segments a
//   restriction keeps (texts, attribute conditions, segments coded or not
//   with a value).
// - characteristicWords: the words over- or under-represented in a target
//   (the segments holding value V of list K, each segment once however many
//   of its coding rows hold it; or the segments of the texts whose attribute
//   has a value) against every other segment of the analysis, coded or not
//   (the reference), by Dunning's G² (results/keyness.h). A restriction may
//   narrow both to some texts.
//
// The segments are read in batches (store/searchstore.h), as the file
// holds them (UTF-8), on the calling thread; they are decoded and their
// words counted on up to two other threads, each into a counter of its
// own, the counters merged at the end. Memory is bounded by the distinct
// words, a few batches in flight (at most kBatchesInFlight batches of
// kBatchSegments segments), a buffer the size of the longest segment on
// each counting thread, and, for a list's value, the numbers of the
// segments holding it (8 bytes each); never by the text counted.
//
// `progress` (may be empty) is called on the calling thread after each batch
// with the segments read so far and the segments of the texts the scope
// keeps (search::scopeSegments: an upper bound when a list leaves some
// out); returning false stops the counting: the batches read so far are
// counted and returned, and the caller, who asked for the stop, knows it is
// partial. Failures throw StoreError.
#include "store/searchstore.h"
#include "words/vocabulary.h"

#include <QtGlobal>
#include <functional>
#include <vector>

class Connection;

namespace words {

using CountProgress = std::function<bool(qint64 done, qint64 total)>;

inline constexpr int kBatchSegments = 4096;
inline constexpr int kBatchesInFlight = 6;

VocabularyCounter countVocabulary(Connection &db, const search::Restriction &restriction,
                                  const CountProgress &progress = {});

// The vocabularies of the target and of the reference, as characteristicWords
// compares them (its segments counted in one or the other).
struct TargetVocabularies {
    VocabularyCounter target;
    VocabularyCounter reference;
};
TargetVocabularies countTarget(Connection &db, const search::Target &target,
                               const CountProgress &progress = {},
                               const search::Restriction &within = {});

// The key words of the target (words::keyWords): over-represented first,
// largest G² first, at most `limit` (0: all).
std::vector<KeyWord> characteristicWords(Connection &db, const search::Target &target, int limit,
                                         const CountProgress &progress = {},
                                         const search::Restriction &within = {});

} // namespace words
