# The personal word list: learned and forgotten words kept across runs in a
# file under the user's data folder. POSIX only (flock, fsync of a folder).
# Its sources join the completion layer's library when that exists.
add_library(rorirer_personallist STATIC
    ${CMAKE_CURRENT_LIST_DIR}/PersonalList.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ListFormat.cpp
    ${CMAKE_CURRENT_LIST_DIR}/AtomicFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileHandle.cpp)
target_include_directories(rorirer_personallist PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_features(rorirer_personallist PUBLIC cxx_std_17)
target_link_libraries(rorirer_personallist PRIVATE rorirer_warnings)
