#pragma once

#include <vector>

// Italian towns as the demo's branches have them: the name of the
// municipality, its province's code and the postal code of its centre.
// Provincial capitals have codes ending in 100, where the city's own zones
// number on from the centre's.
struct ItalianTown {
    const char* comune;
    const char* provincia;
    int cap;
};

const std::vector<ItalianTown>& ItalianTowns();

// Names of streets and squares, surnames, and the regional words in bank names.
const std::vector<const char*>& ItalianStreets();
const std::vector<const char*>& ItalianSurnames();
const std::vector<const char*>& ItalianRegionalNames();
