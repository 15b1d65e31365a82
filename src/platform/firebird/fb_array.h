#pragma once
// Array columns. A row holds only an array's id; its elements are read whole through the array API
// and carried as one text:
//   {e1,e2,e3}            one dimension, elements in index order
//   {{a,b},{c,d}}         a brace level for each further dimension, the last index varying fastest
// Elements are written as they read: numbers plain, exact numerics with every scale digit,
// dates YYYY-MM-DD, times HH:MM:SS[.ffff], timestamps both, booleans true/false, text as it is.
// An element that is empty, says NULL, holds a brace, comma, quote, backslash or blank, is written
// between double quotes with a backslash before each quote and backslash inside.
#include <firebird/Interface.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/firebird/fb_types.h"

namespace tess {

// The field behind an array column, as the catalogue (RDB$FIELDS, RDB$FIELD_DIMENSIONS) gives it.
struct FirebirdArrayField {
    std::string relation, field;
    int blrType = 0;  // RDB$FIELD_TYPE
    int length = 0;   // bytes of one element
    int scale = 0;
    int subType = 0;
    int charSet = 0;
    std::vector<std::pair<int, int>> bounds;  // lower and upper index of each dimension
};

// How the elements are asked for and read back.
struct FirebirdArrayShape {
    FirebirdColumnShape element;  // each element as the slice holds it
    unsigned elementBytes = 0;
    std::vector<std::pair<int, int>> bounds;
    std::vector<unsigned char> sdl;  // the slice description the engine reads
    size_t elementCount() const;
};

// Text is asked for in UTF8 (NONE and OCTETS as they are stored); every other element in its own
// type. Throws FirebirdError for an element type this program cannot read.
FirebirdArrayShape ShapeOfFirebirdArray(const FirebirdArrayField& field);

// The whole array as text, from the slice the engine filled.
std::string FirebirdArrayText(Firebird::IUtil* util, const FirebirdArrayShape& shape,
                              const std::vector<unsigned char>& slice, const CodePage* noneText = nullptr);

// One element, of the slice's SQL type, as the array text writes it.
std::string ArrayElementText(const Value& element, unsigned sqlType);

}  // namespace tess
