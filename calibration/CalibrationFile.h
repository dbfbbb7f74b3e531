#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "calibration/MeterCalibration.h"
#include "support/TextLog.h"

namespace quendal {

// A calibration file that cannot be opened, read, written or parsed.
class CalibrationFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file that belongs to a face picture, beside it, the face's extension replaced by
// Suffix: "dir/quendal.png" and ".calibration.txt" give "dir/quendal.calibration.txt".
std::string FileBesideFace(const std::string& FaceFileName, std::string_view Suffix);

// The calibration that belongs to a face picture, beside it: "dir/quendal.png" gives
// "dir/quendal.calibration.txt".
std::string FaceCalibrationFileName(const std::string& FaceFileName);

// Writes the 16 points, "X Y" CR LF each, through a temporary file beside FileName
// that replaces it only once complete. Throws CalibrationFileError.
void SaveCalibrationToFile(const TCalibrationPoints& CalibrationPoints, const std::string& FileName,
                           TextLog& Log);

// Reads up to 16 points into CalibrationPoints; points the file does not reach keep
// their values. Throws CalibrationFileError ("File not found", "Invalid numeric
// input", ...); points read before a bad number stay stored.
void LoadCalibrationFromFile(TCalibrationPoints& CalibrationPoints, const std::string& FileName,
                             TextLog& Log);

}  // namespace quendal
