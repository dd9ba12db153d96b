#pragma once
// `brisdale demo`: a short built-in edit rendered with every effect of the plug-in on.

#include <string>

// Writes the edit, its render and the picture into outputDirectory (made if missing)
// and prints what it did on stdout. False with a one-line reason in error on failure.
bool RunDemo(const std::string& outputDirectory, std::string& error);
