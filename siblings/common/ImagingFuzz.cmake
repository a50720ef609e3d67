# For the imaging fuzz targets, which compile the sibling libraries' sources in (so that the fuzzer's
# coverage reaches them) instead of loading the built libraries. Included by each fuzz folder.

set(KESTREL_SIBLING_COMMON_SOURCES
  ${CMAKE_SOURCE_DIR}/siblings/common/dib.c ${CMAKE_SOURCE_DIR}/siblings/common/trace.c
  ${CMAKE_SOURCE_DIR}/siblings/common/jpeg_trap.c ${CMAKE_SOURCE_DIR}/siblings/common/jpeg_read.c
  ${CMAKE_SOURCE_DIR}/siblings/common/jpeg_write.c ${CMAKE_SOURCE_DIR}/siblings/common/regular_file.c
  ${CMAKE_SOURCE_DIR}/siblings/common/BmpFile.cpp
  ${CMAKE_SOURCE_DIR}/siblings/common/DibScale.cpp ${CMAKE_SOURCE_DIR}/siblings/common/FileUtil.cpp)
set(KESTREL_SIBLING_EXIF_SOURCES
  ${CMAKE_SOURCE_DIR}/siblings/common/ExifMeta.cpp ${CMAKE_SOURCE_DIR}/siblings/common/PictureHead.cpp
  ${CMAKE_SOURCE_DIR}/siblings/common/TiffRead.cpp ${CMAKE_SOURCE_DIR}/siblings/common/DibOrient.cpp)

# Seeds for the fuzzer `target`, made before its bounded run (the script makes them once per build
# folder and is safe to run from several tests at once).
function(kestrel_imaging_seeds target)
  add_test(NAME fuzz.${target}.seeds
    COMMAND ${CMAKE_SOURCE_DIR}/scripts/fixtures/imaging-seeds.sh ${CMAKE_BINARY_DIR}/fuzz-corpus/imaging
            ${CMAKE_BINARY_DIR}/fixtures/imaging)
  set_tests_properties(fuzz.${target}.seeds PROPERTIES LABELS fuzz FIXTURES_SETUP ${target}_seeds)
  set_tests_properties(fuzz.${target} PROPERTIES FIXTURES_REQUIRED ${target}_seeds)
endfunction()

function(kestrel_imaging_fuzz_setup target)
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/siblings/common ${CMAKE_SOURCE_DIR}/tests
    ${CMAKE_SOURCE_DIR}/siblings/QuilJpeg ${CMAKE_SOURCE_DIR}/siblings/ExifKit ${CMAKE_SOURCE_DIR}/siblings/ImgProbe
    ${CMAKE_SOURCE_DIR}/siblings/Stillform ${CMAKE_SOURCE_DIR}/siblings/Capline)
  # A lower picture cap than the libraries': hostile headers then cost the fuzzer little memory and time.
  target_compile_definitions(${target} PRIVATE "KS_MAX_DIB_BYTES=((size_t)1 << 26)")
  kestrel_imaging_seeds(${target})
endfunction()
