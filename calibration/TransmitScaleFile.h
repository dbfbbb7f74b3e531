#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "calibration/Scale.h"
#include "meters/TransmitReading.h"

namespace quendal {

// The reading's scale beside a face picture, named like the face's calibration:
// "dir/quendal.png" gives "dir/quendal.power.txt".
std::string TransmitScaleFileName(const std::string& FaceFileName, TransmitReading Reading);

// SWR's "∞" mark. A scale's values must be finite, and past 10:1 nothing an operator
// does depends on how much worse it is: the needle stops on the ∞ mark from here on.
inline constexpr double kSwrInfinity = 10.0;

// Limits that keep a hostile file from costing more than a glance.
inline constexpr std::size_t kMaxScaleFileBytes = 64 * 1024;
inline constexpr std::size_t kMaxScaleLineLength = 200;
inline constexpr std::size_t kMaxScaleMarks = 64;

// A scale file read: the scale (angle linear in value), or none and a Problem naming
// the file, the line and what is wrong. A missing file gives neither: the reading
// simply has no scale yet.
struct ScaleFile {
  Scale Marks;
  std::string Problem;
};

// Lines "value x y": the mark's value in the reading's unit, its point in face pixels.
// Lines starting with "#" and blank lines are skipped; at least two marks, values
// strictly increasing. FileName is UTF-8.
ScaleFile ReadScaleFile(const std::string& FileName);

// The same from a file's text already read (a resource of the program), named FileName
// in the Problem.
ScaleFile ParseScaleFile(std::string_view Text, const std::string& FileName);

// Writes the marks in the format ReadScaleFile reads, through a temporary file that
// replaces FileName only once complete. Returns "" or what went wrong; marks that
// make no scale are not written.
std::string WriteScaleFile(const std::vector<ScaleMark>& Marks, const std::string& FileName);

// Mark values offered for a reading's scale instead of typing them, as printed on
// wattmeters and SWR meters.
std::vector<std::vector<double>> ScalePresets(TransmitReading Reading);

// Values as ParseScaleValues reads them: "0 25 50 75 100", SWR's last "1 1.5 2 3 ∞".
std::string ScaleValuesText(const std::vector<double>& Values, TransmitReading Reading);

// A mark as the operator reads it on the face: "50 W", "SWR 1.5", "SWR ∞", "-5 dB".
std::string TransmitMarkName(TransmitReading Reading, double Value);
// The mark's value alone, as a marker's badge: "50", "1.5", "∞".
std::string TransmitMarkValue(TransmitReading Reading, double Value);

// Mark values typed as one list ("0 25 50 75 100"), blanks between them; for SWR "∞"
// or "inf" stands for kSwrInfinity. Problem is "" or what is wrong with the list.
struct ScaleValues {
  std::vector<double> Values;
  std::string Problem;
};
ScaleValues ParseScaleValues(std::string_view Text, TransmitReading Reading);

}  // namespace quendal
