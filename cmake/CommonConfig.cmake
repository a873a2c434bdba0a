# Compile settings every target of the project shares.
add_library(zel_common INTERFACE)
target_compile_features(zel_common INTERFACE cxx_std_20)
target_compile_definitions(zel_common INTERFACE
    QT_NO_CONTEXTLESS_CONNECT
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_URL_CAST_FROM_STRING
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_USE_QSTRINGBUILDER)
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(zel_common INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                                -Wcast-align -Woverloaded-virtual -Wformat=2)
endif()

# The tested build keeps its asserts whatever the build type: Qt's Q_ASSERT is off under QT_NO_DEBUG
# and assert() under NDEBUG, and both come with the release build types.
option(ZEL_ASSERTS "Keep Q_ASSERT and assert() active in every build type" ON)
if(ZEL_ASSERTS AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(zel_common INTERFACE -UNDEBUG -UQT_NO_DEBUG)
endif()

# CI builds with ZEL_WERROR=ON: a warning fails the build there.
option(ZEL_WERROR "Treat compiler warnings as errors" OFF)
if(ZEL_WERROR AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(zel_common INTERFACE -Werror)
endif()
