#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "view/sheet_svg.h"

// Pieces shared by the pages.

// <!doctype html> up to and including </head>, with the style sheet inline.
std::string page_head(const std::string& title, const std::string& style);

// A <script type="application/json"> block the page's script reads; safe
// whatever strings the data holds.
std::string script_data(const std::string& id, const nlohmann::json& data);

// The shortest decimal that reads back as the same float, as a double, so
// the page prints "-29.8849869" rather than the float's full double expansion.
double short_float(float value);

// `value` printed with one printf conversion such as "%.3f".
std::string format_number(const char* pattern, double value);

// Six significant digits: enough to read, short to store.
double significant(double value);

// Positions go to a page as whole tenths of a millimetre: short text, and
// finer than any picture shows.
long tenth_mm(double metres);

// Every stone on the sheet: [[slot, x, y], ...] in tenths of a millimetre.
nlohmann::json occupied(const Position& position);

// Only the slots that differ between two positions: [slot, x, y], or [slot]
// for a stone no longer on the sheet.
nlohmann::json changes(const Position& before, const Position& after);
