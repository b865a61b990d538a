// version.h -- the release number, with the commit appended between releases.
#pragma once

const char* tamsel_version();
