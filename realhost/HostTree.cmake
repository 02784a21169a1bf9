# Lays out the minimal host installation that the built host runs in, around the programs the build
# put there: the host's configuration, the Sol system reduced to the Sun, the Earth and the Moon with
# their data, the class files, meshes and textures of the ShuttlePB, the DeltaGlider, the Shuttle-A
# and the ISS, the host's textures and the tethers', MinGW's thread library that GCC's C++ library
# calls, Kestrane.dll among the plug-ins, and the folders the host expects.
#
#   cmake -DHOST=SOURCE -DTREE=DIR -DMINGW=DIR -DKESTRANE=Kestrane.dll -DTETHER_TEXTURES=DIR -P HostTree.cmake
cmake_minimum_required(VERSION 3.25)

function(copy from to)
  get_filename_component(folder ${to} DIRECTORY)
  file(MAKE_DIRECTORY ${folder})
  file(COPY_FILE ${from} ${to} ONLY_IF_DIFFERENT)
endfunction()

function(copy_folder from to)
  file(GLOB_RECURSE files RELATIVE ${from} ${from}/*)
  foreach(file IN LISTS files)
    copy(${from}/${file} ${to}/${file})
  endforeach()
endfunction()

set(celbody ${HOST}/Src/Celbody)
copy_folder(${HOST}/Config ${TREE}/Config)
foreach(body Vsop87/Sun Vsop87/Earth Moon)
  copy_folder(${celbody}/${body}/Config ${TREE}/Config)
endforeach()
copy(${celbody}/Vsop87/Data/Vsop87E_sun.dat ${TREE}/Config/Sun/Data/Vsop87E.dat)
copy(${celbody}/Vsop87/Data/Vsop87B_ear.dat ${TREE}/Config/Earth/Data/Vsop87B.dat)
file(CONFIGURE OUTPUT ${TREE}/Config/Sol.cfg CONTENT "Name = Sol\nStar1 = Sun\nPlanet1 = Earth\nEarth:Moon1 = Moon\n")
copy(${HOST}/Src/Vessel/ShuttlePB/Config/ShuttlePB.cfg ${TREE}/Config/Vessels/ShuttlePB.cfg)
copy(${HOST}/Src/Vessel/ShuttlePB/Meshes/ShuttlePB.msh ${TREE}/Meshes/ShuttlePB.msh)
# The DeltaGlider, the Shuttle-A and the station, a class of configuration alone, in the folders their
# modules and configurations name.
foreach(vessel "DeltaGlider|DG" "ShuttleA|ShuttleA" "ISS|ISS")
  string(REPLACE "|" ";" vessel "${vessel}")
  list(GET vessel 0 source)
  list(GET vessel 1 meshes)
  copy_folder(${HOST}/Src/Vessel/${source}/Config ${TREE}/Config/Vessels)
  copy_folder(${HOST}/Src/Vessel/${source}/Meshes ${TREE}/Meshes/${meshes})
endforeach()
# The textures a graphics client draws with: the host's own, the vessels' in the folders their meshes
# name, and the tethers'.
copy_folder(${HOST}/Textures ${TREE}/Textures)
foreach(vessel "ShuttlePB|" "DeltaGlider|/DG" "ShuttleA|/ShuttleA" "ISS|/ISS")
  string(REPLACE "|" ";" vessel "${vessel}")
  list(GET vessel 0 source)
  list(GET vessel 1 folder)
  copy_folder(${HOST}/Src/Vessel/${source}/Textures ${TREE}/Textures${folder})
endforeach()
foreach(texture TetherTaut Tether2 Tether3)
  copy(${TETHER_TEXTURES}/${texture}.dds ${TREE}/Textures/${texture}.dds)
endforeach()
copy(${MINGW}/lib/libwinpthread-1.dll ${TREE}/libwinpthread-1.dll)
copy(${KESTRANE} ${TREE}/Modules/Plugin/Kestrane.dll)
# Start-up stops where these are missing.
file(MAKE_DIRECTORY ${TREE}/Modules/Plugin ${TREE}/Modules/Startup ${TREE}/Scenarios)

# What the host looks for at start-up that its sources hold: the fonts of its dialogs (ImGui). The
# one base whose meshes they do not hold (Cape Canaveral's launch pads and buildings) is left out;
# no scenario here starts on it. The gravity models' coefficient files are not in the sources
# either: without them the host's bodies pull as they do in every run compared with kestrane-sim.
foreach(font Extern/imgui/fa-solid-900.ttf Extern/imgui/architext.regular.ttf Extern/imgui/Lekton-Bold.ttf
        deps/imgui/misc/fonts/Roboto-Medium.ttf deps/imgui/misc/fonts/Cousine-Regular.ttf)
  get_filename_component(name ${font} NAME)
  copy(${HOST}/${font} ${TREE}/Fonts/${name})
endforeach()
file(REMOVE ${TREE}/Config/Earth/Base/Canaveral.cfg)
