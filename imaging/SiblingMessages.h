#pragma once
// What the program says when a codec library or one of its exports is missing. The texts are the
// program's own words and are shown exactly; each message names its library as the user knows it.

#include <QString>

namespace imaging {

// Where a binding is made: a one-shot call of the program (captions carry the application's title), or
// a thumbnail decoder that keeps its library (captions "エラー", task-modal boxes without owner).
enum class BindingUse { Program, ThumbnailDecoder };

namespace messages {

// QuilJpeg
inline const char* const kQuilJpegMissing = "QuilJpeg.DLLがありません。";
inline const char* const kQuilJpegExportMissing = "QuilJpeg.dll の情報を取得できません。";
inline const char* const kQuilJpegMissingThumbnail = "QuilJpeg.dll がロードできません。";
// ExifKit
inline const char* const kExifKitMissing = "ExifKit.dll がロードできません。";
inline const char* const kExifKitExportMissing = "ExifKit.dll の情報を取得できません。";
// ImgProbe; _GetExifInfo's texts and one caption differ by a blank
inline const char* const kImgProbeMissing = "ImgProbe.DLLがありません。";
inline const char* const kImgProbeMissingExifInfo = "ImgProbe.DLL がありません。";
inline const char* const kImgProbeExportMissing = "ImgProbe.DLLのロードに失敗しました。";
inline const char* const kImgProbeExportMissingExifInfo = "ImgProbe.DLL のロードに失敗しました。";
inline const char* const kImgProbeCaption = "DLL読み込みエラー";
inline const char* const kImgProbeExifInfoExportCaption = "DLL 読み込みエラー";
// Stillform, Vistra32
inline const char* const kStillformMissing = "Stillform.dll がロードできません。";
inline const char* const kVistra32Missing = "Vistra32.dll がありません。";
inline const char* const kVistra32MissingThumbnail = "Vistra32.dll がロードできません。";
// The thumbnail decoders' caption
inline const char* const kErrorCaption = "エラー";

}  // namespace messages

// Numbered texts of the Uires bundle the adapters show.
namespace strings {
constexpr int kCannotOpenFile = 20014;      // a file cannot be opened or written
constexpr int kOutOfMemory = 20050;         // a block for a picture cannot be allocated
constexpr int kDiskFull = 20257;            // a write failed for want of space
constexpr int kTiffWithoutExif = 20500;     // a TIFF to be shown is not an Exif TIFF
}  // namespace strings

// The caption of the program's own message boxes.
QString applicationTitle();

// Shows `text` (UTF-8) in a box captioned by the application's title.
void showProgramMessage(const char* text, unsigned style);
// Shows numbered Uires string `id` captioned by the application's title.
void showNumberedMessage(int id, unsigned style);
// A thumbnail decoder's message: task-modal, no owner window, caption "エラー".
void showDecoderMessage(const char* text);

}  // namespace imaging
