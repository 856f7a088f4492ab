#include "AuthorTable.h"

namespace calverine {

namespace {

constexpr Author kAuthors[kBuiltInAuthors] = {
    {"Abe", "Abelard Breck"},     {"BT", "Bryn Tallowmere"},   {"CH", "Corisande Hale"},
    {"Cyn", "Cynfael Norrow"},    {"DW", "Dagny Wrenfield"},   {"Dox", "Doxie Orlandine"},
    {"EF", "Ezra Fallowby"},      {"Elk", "Elkanah Lisbury"},  {"Fen", "Fenwick Astall"},
    {"GN", "Greer Nightwell"},    {"Gil", "Gilda Merriwether"}, {"HJ", "Hollis Jarrow"},
    {"Hux", "Huxley Ombrell"},    {"IM", "Isaura Mertling"},   {"Ivo", "Ivo Castellane"},
    {"JK", "Jory Kestrelwood"},   {"Jun", "Junia Felloway"},   {"Kit", "Kit Brannagh"},
    {"LP", "Linnea Pevensay"},    {"Lux", "Luxana Pilgrim"},   {"MR", "Marek Rosslyn"},
    {"Mo", "Morwenna Oddly"},     {"NO", "Niamh Ostergaard"},  {"Nyx", "Nyxie Calloway"},
    {"Orr", "Orrin Telfair"},     {"Ph", "Phaedra Halloway"},  {"QV", "Quillon Vaur"},
    {"RS", "Rook Sallister"},     {"Sv", "Sunniva Varrick"},   {"TU", "Tamsin Ulverstone"},
    {"VX", "Vesna Xantley"},      {"WY", "Wystan Yarrowby"},   {"Zo", "Zora Oakenfeld"},
};

}  // namespace

const Author* builtInAuthors() { return kAuthors; }

}  // namespace calverine
