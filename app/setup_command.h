// "--setup": the gateway, its kind and its credentials asked on a terminal, tried, and stored.
#pragma once

#include <string>
#include <vector>

#include "app/host.h"

namespace verdalin {

// "--setup [--config DIR]": asks for the preset (a numbered list of the presets read), the
// address and the login (the preset's as defaults) and the password (not echoed), tries one
// reading with them and says its values or its failure, then stores url=, login=,
// crypted_password= and preset= in group [Settings] of the settings file, its other keys and
// groups kept. Returns 0 when the reading gave the line's values, 1 when it did not (the
// settings stored all the same) or they could not be stored, 2 for a bad command line, no
// presets or input that ended before the answers.
int RunSetup(ProgramHost& host, const std::vector<std::string>& arguments);

}  // namespace verdalin
