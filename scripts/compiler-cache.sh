# Sourced by scripts/start and scripts/test: builds go through ccache where it is installed, with
# one cache for every checkout of the tree on this machine (paths are taken relative to the
# checkout). CMake reads the launcher when it first configures a build directory.
if command -v ccache >/dev/null; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
  export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
  # The test binaries' precompiled headers: ccache keeps objects that use one only when told that
  # their macros and the header's fresh time stamp do not matter.
  export CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
  # ccache hashes every file a compile reads, the tests' 120-200 MB precompiled headers among
  # them; with the inode cache it hashes each once, not once an object (that added a third to a
  # window test's cold compile).
  export CCACHE_INODECACHE=1
fi
