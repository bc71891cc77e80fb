// Synthesis of every wave resource.
#pragma once

#include <string>

namespace lvx::resgen {

// Writes every wave resource as soundDir/NNN.wav (the folder must exist).
void GenerateSounds(const std::string& soundDir);

}  // namespace lvx::resgen
