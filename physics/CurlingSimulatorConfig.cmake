# find_package(CurlingSimulator) gives:
#   CurlingSimulator::CurlingSimulator  the physics library (link it)
#   CurlingSimulator::Headers           curling_simulator.h alone, for a
#                                       program that loads the library itself
include(${CMAKE_CURRENT_LIST_DIR}/CurlingSimulatorTargets.cmake)
