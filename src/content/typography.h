#pragma once

#include "contentfile.h"

// What a machine can check about the way a bank is written, beyond what the program needs
// to run it: text a pupil sees with two spaces in a row or a space at either end, straight
// and curly quotation marks of one kind mixed within a record, and a label of the bank
// (an answer word, a style, a genre) spelt two ways. The program still reads a bank that
// has such faults; the content checker reports them to whoever writes the bank, and the
// built-in banks must have none.
//
// The spellings the screens' design fixes on purpose ("Poet " with its space among Style
// of Writer's wrong answers, a genre heading padded with spaces, the five spaces after a
// CV heading, the space that ends every sentence of the word-dragging activities) are
// allowed.
ContentProblems checkTypography(const ContentDocument &document);
