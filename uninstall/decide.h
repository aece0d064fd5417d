// The engine's decisions as values: what a path that turned out to be one
// thing or another becomes in the run, and which names are one name.
#pragma once

#include "uninstall/pathresolve.h"
#include "uninstall/runstep.h"

struct tagDecision {
    tagRunStep::Action action;
    tagRunStep::Verdict verdict; // Removed means: to be carried out
    const wchar_t* reason;
};

// A path the manifest or a walk names as a file or as a folder, as it
// turned out to be. For a folder that is a folder the decision is to walk
// it (RemoveFolder, Removed), and FolderAfterWalk says what becomes of it.
tagDecision DecideNode(NodeKind kind, bool namedAsFolder);

// A walked folder once its contents have been dealt with: stays counts
// what remains inside, atRestart what goes at the next restart.
tagDecision FolderAfterWalk(int stays, int atRestart);

// A folder inside a walked one whose name begins with a dot: not entered,
// unless the self-removal script removes the install folder it lies in.
tagDecision DotFolder(bool insideScriptFolder);

// A program-group, desktop-shortcut or Uninstall-key name: one name, never
// a path (no '\', '/', ':' or "..").
bool isOneName(const wchar_t* name);
