# The host's core, as its own build compiles it into orbiter.exe: the patched core folder, its
# dialog controls and imgui's Win32 back end.
set(coreNames
  # general
  Astro Camera cmdline Config console_ng Element elevmgr Help Input Keymap LightEmitter Mesh Nav Orbiter
  PlaybackEd Psys Script Shadow State Vecmat VectorMap ConsoleManager TimeData
  # launchpad
  Launchpad LpadTab TabAbout TabExtra TabModule TabOptions TabScenario TabVideo
  # dialogs
  CustomControls DialogWin DlgCamera DlgCapture DlgFocus DlgFunction DlgHelp DlgInfo DlgMap DlgMenuCfg DlgMgr
  DlgOptions DlgRecorder DlgTacc Select OptionsPages
  # bodies and vessels
  Body BodyIntegrator PinesGrav Celbody Planet Rigidbody Star FlightRecorder SuperVessel Vessel Vesselbase
  Vesselstatus Base Baseobj
  # cockpit and displays
  Defpanel hud MenuInfoBar Pane Panel Panel2D VCockpit Mfd MfdAlign MfdComms MfdDocking MfdHsi MfdLanding MfdMap
  MfdMap_old MfdOrbit MfdSurface MfdSync MfdTransfer MfdUser
  # API implementations and utilities
  CamAPI CelSphereAPI DrawAPI GraphicsAPI MFDAPI ModuleAPI OrbiterAPI D3d7util D3dmath Di7frame Log Memstat Util
  ZTreeMgr)
list(TRANSFORM coreNames PREPEND ${src}/Src/Orbiter/ OUTPUT_VARIABLE coreSources)
list(TRANSFORM coreSources APPEND .cpp)
list(APPEND coreSources ${src}/Src/Orbiter/htmlctrl.c ${host}/Src/DlgCtrl/DlgCtrl.cpp
  ${host}/Src/DlgCtrl/DlgCtrlPropertyList.cpp ${host}/Src/DlgCtrl/DlgCtrlSwitch.cpp
  ${host}/deps/imgui/backends/imgui_impl_win32.cpp)
