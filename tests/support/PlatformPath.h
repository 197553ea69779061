#pragma once
// How the program's own folder looks on the platform the tests run on: the
// separator the platform layer passes to AppPaths, whether the module path
// keeps its case, and the executable's file name.

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
inline constexpr bool kKeepModulePathCase = false;
inline constexpr char kProgramFileName[] = "quorvant.exe";
#else
inline constexpr char kPathSeparator = '/';
inline constexpr bool kKeepModulePathCase = true;
inline constexpr char kProgramFileName[] = "quorvant";
#endif
