#pragma once

#include "contentfile.h"

// The editorial rules of the banks shipped with the program, kept as data beside them
// (content/rules/<activity>.json, built in as :/assets/content/rules/<activity>.json) so
// that changing an example or a list of answers touches no code. Each rule works on the
// records' JSON fields alone, whatever the activity:
//
//   "records": 30                        the bank holds exactly so many records
//   "examples": [{"record": 0, "fields": {"prompt": "...", "wrong": [...]}}]
//                                        those fields of that record read exactly so
//   "vocabulary": [{"fields": ["correct", "wrong"], "words": [...],
//                   "answer": "correct", "wrongOnly": [...], "wrongSpellings": [...],
//                   "exceptRecords": [1]}]
//                                        every text of those fields is one of the words;
//                                        a wrongOnly word is never the answer field's;
//                                        a wrongSpelling is allowed outside the answer field
//   "counts": [{"field": "prompt", "contains": "\"", "count": 8, "what": "prompts must be ..."}]
//                                        exactly count records hold that text in the field
//   "patterns": [{"field": "entries", "element": 0, "regex": "...", "reason": "..."}]
//                                        the field (or one element of a list field; every
//                                        element when none is named) matches the pattern
//
// Problems name list elements as "field[i]", as every content check does.
void checkBuiltInRules(const QString &activity, const ContentDocument &document, ContentProblems &problems);

// Where the rules of an activity are kept.
QString builtInRulesPath(const QString &activity);
