/* The two halves of the simulated host and where they meet.
 *
 * The core (the world and its vessels, the displays and their canvas, scenario files, runs and the
 * command line) is built by GCC. The host API that a plug-in links against (VESSEL, MFD, the oapi*
 * functions) is a thin adapter over the core, built in the plug-in's own C++ ABI: by GCC into
 * kestrane-sim, by a Visual C++ compatible compiler into the test host orbiter.exe, whose core is
 * a GCC-built library. The two halves call each other only through these two tables of plain C
 * functions, which every ABI calls alike.
 *
 * Handles are opaque to the side that does not own them: a vessel handle is the core's vessel, a
 * scenario handle the core's stream, a display the core's open display; a display object and a
 * vessel interface are the adapter's C++ objects, which only the adapter calls or deletes.
 * Every function is a direct forward: none allocates, copies a string or looks anything up by name
 * unless the host call it serves does so itself.
 */
#ifndef KESTRANE_SIM_API_CORE_INTERFACE_H
#define KESTRANE_SIM_API_CORE_INTERFACE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A display mode's message procedure, as the plug-in registered it. */
typedef intptr_t (*KestraneMessageProc)(uint32_t msg, uint32_t mfd, uintptr_t wparam, intptr_t lparam);

/* What the adapter asks of the core. Vectors are three doubles, matrices nine, row by row; flags
 * are ints, 0 or 1. Without a world every vessel call does nothing and returns 0 or null. */
typedef struct KestraneCore {
  /* Vessels and the world. */
  void *(*vesselByName)(const char *name);
  void *(*vesselByIndex)(int index);
  uint32_t (*vesselCount)(void);
  /* 1 for a handle of a live vessel. */
  int (*isVessel)(void *vessel);
  void *(*focusVessel)(void);
  /* The vessel's interface object, null for a handle that is not a live vessel. */
  void *(*vesselInterface)(void *vessel);
  void *(*registerExhaustTexture)(const char *name);
  double (*simStep)(void);

  /* The members of one vessel's interface. */
  char *(*vesselName)(void *vessel);
  void (*globalPos)(void *vessel, double pos[3]);
  void (*rotationMatrix)(void *vessel, double rotation[9]);
  void (*addForce)(void *vessel, const double force[3], const double point[3]);
  uint32_t (*dockCount)(void *vessel);
  void *(*dockHandle)(void *vessel, uint32_t index);
  void (*dockParams)(void *vessel, void *dock, double pos[3], double dir[3], double rot[3]);
  uint32_t (*attachmentCount)(void *vessel, int toParent);
  void *(*createPropellant)(void *vessel, double maxMass, double mass, double efficiency);
  /* 1 when the resource was the vessel's and is gone. */
  int (*deletePropellant)(void *vessel, void *propellant);
  double (*propellantMass)(void *vessel, void *propellant);
  void (*setPropellantMass)(void *vessel, void *propellant, double mass);
  void *(*createThruster)(void *vessel, const double pos[3], const double dir[3], double maxThrust, void *propellant,
                          double isp, double ispRef, double pRef);
  int (*deleteThruster)(void *vessel, void *thruster);
  void (*setThrusterLevel)(void *vessel, void *thruster, double level);
  uint32_t (*addExhaust)(void *vessel, void *thruster, double lscale, double wscale, const double pos[3],
                         const double dir[3], void *texture);
  int (*deleteExhaust)(void *vessel, uint32_t id);

  /* Display modes and open displays. */
  /* context: the mode's own pointer, handed back in the record of OAPI_MSG_MFD_OPENEDEX. */
  int (*registerMode)(const char *name, uint32_t key, void *context, KestraneMessageProc proc);
  int (*unregisterMode)(int id);
  void (*invalidateDisplay)(void *display);

  /* Scenario blocks. */
  void (*writeScenarioString)(void *scn, const char *item, const char *value);
  void (*writeScenarioInt)(void *scn, const char *item, int value);
  void (*writeScenarioFloat)(void *scn, const char *item, double value);
  void (*writeScenarioVector)(void *scn, const char *item, const double value[3]);
  int (*readScenarioLine)(void *scn, char **line);
} KestraneCore;

/* What the core asks of the adapter: the adapter's objects, made, called and deleted in its ABI. */
typedef struct KestraneAdapter {
  /* The interface object of a new vessel of the core, and its end when the world ends. */
  void *(*newVesselInterface)(void *vessel);
  void (*deleteVesselInterface)(void *vesselInterface);

  /* A display object the mode's message procedure returned: the core's display it belongs to and
   * its character cell size are set once, after its constructor has run. */
  void (*attachDisplay)(void *object, void *display, uint32_t cellWidth, uint32_t cellHeight);
  void (*updateDisplay)(void *object, void *hdc);
  int (*consumeKeyBuffered)(void *object, uint32_t key);
  /* The buttons beside a display, numbered across the display's pages: a button's label (null when
   * it has none); a click or another event on one; the display's menu, which gives its number of
   * entries and, when `item` is one of them, that entry's lines (null where it has none) and key. */
  const char *(*buttonLabel)(void *object, int button);
  int (*consumeButton)(void *object, int button, int event);
  int (*buttonMenu)(void *object, int item, const char **line1, const char **line2, char *key);
  void (*writeStatus)(void *object, void *scn);
  void (*readStatus)(void *object, void *scn);
  void (*deleteDisplay)(void *object);
} KestraneAdapter;

#ifdef __cplusplus
}

/* Bound before the first call: statically where both halves are one program, at start-up where
 * the core is a library of its own. */
extern const KestraneCore *kestraneCore;
extern const KestraneAdapter *kestraneAdapter;

/* Each half's table. */
extern const KestraneCore kestraneCoreTable;
extern const KestraneAdapter kestraneAdapterTable;
#endif

#endif /* KESTRANE_SIM_API_CORE_INTERFACE_H */
