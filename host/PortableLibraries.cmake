# The portable libraries of the native builds: ornixcreator and its tests
# (host/) and the fuzz targets (fuzz/), which build the same sources with
# their own compiler and flags. Expects VELUMO_SOURCE, VELUMO_WARNINGS,
# Threads and the third_party targets.

# One implementation for both systems: these sources are also built into
# the Windows builder; the *Posix.cpp files stand in for its *Win.cpp ones.
set(BUILDER_DIR ${VELUMO_SOURCE}/builder)
set(CONTAINER_DIR ${VELUMO_SOURCE}/container)
set(ENGINE_DIR ${VELUMO_SOURCE}/engine)
# The skin engine's portable core: the rules by which the engine accepts a
# skin, which the builder applies before it packs one.
add_library(skincore STATIC
  ${ENGINE_DIR}/SkinArchive.cpp ${ENGINE_DIR}/SkinBitmap.cpp
  ${ENGINE_DIR}/SkinDescription.cpp ${ENGINE_DIR}/SkinFaults.cpp
  ${ENGINE_DIR}/SkinFileAccessPosix.cpp ${ENGINE_DIR}/SkinIni.cpp
  ${ENGINE_DIR}/SkinObjects.cpp)
target_include_directories(skincore PUBLIC ${ENGINE_DIR} ${VELUMO_SOURCE}/common)
target_compile_options(skincore PRIVATE ${VELUMO_WARNINGS})
target_link_libraries(skincore PUBLIC minizip)
add_library(portable STATIC
  ${CONTAINER_DIR}/ArchiveLayout.cpp ${CONTAINER_DIR}/EntryRules.cpp
  ${CONTAINER_DIR}/EntryTextPosix.cpp ${CONTAINER_DIR}/FileAccessPosix.cpp
  ${CONTAINER_DIR}/PackageFile.cpp
  ${BUILDER_DIR}/ArchiveTimes.cpp ${BUILDER_DIR}/ArchiveWriter.cpp ${BUILDER_DIR}/GenerateOutcome.cpp
  ${BUILDER_DIR}/IconFile.cpp ${BUILDER_DIR}/OutputFilesPosix.cpp
  ${BUILDER_DIR}/ParallelDeflate.cpp ${BUILDER_DIR}/PeResources.cpp
  ${BUILDER_DIR}/SetupCheck.cpp ${BUILDER_DIR}/SetupGenerator.cpp
  ${BUILDER_DIR}/SourceFilePosix.cpp ${BUILDER_DIR}/StockSkins.cpp ${BUILDER_DIR}/WholeFile.cpp)
target_include_directories(portable PUBLIC ${BUILDER_DIR} ${CONTAINER_DIR} ${VELUMO_SOURCE}/common)
target_compile_options(portable PRIVATE ${VELUMO_WARNINGS})
target_link_libraries(portable PUBLIC skincore minizip Threads::Threads)

