#include "calibration/CalibrationFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>
#include <system_error>

#include "support/NumberFormat.h"

namespace quendal {

namespace {

// Longest run of characters taken for one number; the rest stays for the next read.
constexpr std::size_t kMaxNumberLength = 32;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

std::string OpenErrorMessage(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return "File not found";
    case EACCES:
    case EPERM:
      return "Access denied";
    default:
      return std::strerror(error);
  }
}

// Reads whitespace-separated integers the way the calibration file is defined:
// characters up to code 32 separate numbers (line ends included), end of file while
// skipping gives 0, a run of more than 32 characters is cut after 32.
class NumberReader {
 public:
  explicit NumberReader(std::FILE* file) : file_(file) {}

  bool AtEnd() {
    const int c = std::fgetc(file_);
    if (c == EOF) return true;
    std::ungetc(c, file_);
    return false;
  }

  std::int32_t ReadNumber() {
    int c = std::fgetc(file_);
    while (c != EOF && static_cast<unsigned char>(c) <= 32) c = std::fgetc(file_);
    if (c == EOF) return 0;
    std::string text;
    while (c != EOF && static_cast<unsigned char>(c) > 32 && text.size() < kMaxNumberLength) {
      text.push_back(static_cast<char>(c));
      c = std::fgetc(file_);
    }
    if (c != EOF) std::ungetc(c, file_);
    const auto value = ParseInt32(text);
    if (!value) {
      invalid_ = true;
      return 0;
    }
    return *value;
  }

  // Up to and including the line end (LF, CR LF or a lone CR).
  void SkipRestOfLine() {
    int c = std::fgetc(file_);
    while (c != EOF && c != '\n' && c != '\r') c = std::fgetc(file_);
    if (c == '\r') {
      const int next = std::fgetc(file_);
      if (next != '\n' && next != EOF) std::ungetc(next, file_);
    }
  }

  bool TakeInvalid() {
    const bool invalid = invalid_;
    invalid_ = false;
    return invalid;
  }

  bool ReadFailed() const { return std::ferror(file_) != 0; }

 private:
  std::FILE* file_;
  bool invalid_ = false;
};

std::filesystem::path TemporaryPathBeside(const std::string& fileName) {
  std::filesystem::path path(fileName);
  path += ".tmp";
  return path;
}

void WritePoints(const TCalibrationPoints& points, std::FILE* file, TextLog& log) {
  for (int index = 0; index < kCalibrationPointCount; ++index) {
    const TPoint& p = points[index];
    if (std::fprintf(file, "%d %d\r\n", static_cast<int>(p.X), static_cast<int>(p.Y)) < 0) {
      throw CalibrationFileError("Write error: " + std::string(std::strerror(errno)));
    }
    log.Log(
        [&] { return "Saved calibration point " + std::to_string(index) + ": " + PointText(p); });
  }
}

}  // namespace

std::string FileBesideFace(const std::string& FaceFileName, std::string_view Suffix) {
  const std::size_t folderEnd = FaceFileName.find_last_of("/\\");
  const std::size_t nameStart = folderEnd == std::string::npos ? 0 : folderEnd + 1;
  const std::size_t dot = FaceFileName.rfind('.');
  // A dot that starts the name (".face") or sits in a folder name is no extension.
  const bool hasExtension = dot != std::string::npos && dot > nameStart;
  return FaceFileName.substr(0, hasExtension ? dot : FaceFileName.size()) + std::string(Suffix);
}

std::string FaceCalibrationFileName(const std::string& FaceFileName) {
  return FileBesideFace(FaceFileName, ".calibration.txt");
}

void SaveCalibrationToFile(const TCalibrationPoints& CalibrationPoints, const std::string& FileName,
                           TextLog& Log) {
  Log.Log("Saving calibration data to file: " + FileName);
  const std::filesystem::path temporary = TemporaryPathBeside(FileName);
  try {
    {
      FilePtr file(std::fopen(temporary.string().c_str(), "wb"));
      if (!file) {
        throw CalibrationFileError("Cannot create file \"" + temporary.string() + "\". " +
                                   OpenErrorMessage(errno));
      }
      WritePoints(CalibrationPoints, file.get(), Log);
      if (std::fflush(file.get()) != 0) {
        throw CalibrationFileError("Write error: " + std::string(std::strerror(errno)));
      }
      if (std::fclose(file.release()) != 0) {
        throw CalibrationFileError("Write error: " + std::string(std::strerror(errno)));
      }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, FileName, ec);
    if (ec) {
      throw CalibrationFileError("Cannot replace \"" + FileName + "\": " + ec.message());
    }
  } catch (...) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    throw;
  }
  Log.Log("Calibration data saving completed.");
}

void LoadCalibrationFromFile(TCalibrationPoints& CalibrationPoints, const std::string& FileName,
                             TextLog& Log) {
  Log.Log("Loading calibration data from file: " + FileName);
  std::error_code ec;
  if (std::filesystem::is_directory(FileName, ec)) throw CalibrationFileError("Access denied");
  FilePtr file(std::fopen(FileName.c_str(), "rb"));
  if (!file) throw CalibrationFileError(OpenErrorMessage(errno));

  NumberReader reader(file.get());
  for (int index = 0; index < kCalibrationPointCount && !reader.AtEnd(); ++index) {
    TPoint point;
    point.X = reader.ReadNumber();
    point.Y = reader.ReadNumber();
    reader.SkipRestOfLine();
    if (reader.TakeInvalid()) throw CalibrationFileError("Invalid numeric input");
    CalibrationPoints[index] = point;
    Log.Log([&] {
      return "Loaded calibration point " + std::to_string(index) + ": " + PointText(point);
    });
  }
  if (reader.ReadFailed()) throw CalibrationFileError("Read error");
  Log.Log("Calibration data loading completed.");
}

}  // namespace quendal
