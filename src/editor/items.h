#pragma once

#include "record.h"

#include <array>

// One row per assignable item, in panel location order (location = row index): the two
// lists, the designation box and the record fields the selection rules tie together.
struct AssignmentItem {
    enum class Kind { Switch, Led, Backlighting, Dimming };

    Kind kind;
    const char* name;    // "SW1", "LED1", "BACKLIGHTING", "DIMMING": also the tool tips' prefix
    int moduleList;      // List number of the module list
    int channelList;     // List number of the channel list
    int designationText; // Text number of the designation box, 0 for none
    Integer ConfigRecord::*code;
    Integer ConfigRecord::*moduleBase;
    Integer ConfigRecord::*channelOffset;
    Integer ConfigRecord::*composed;    // value composed for the panel or a file
    QString ConfigRecord::*designation; // designation read from a file, nullptr for none
    int incompleteFlag;                 // error_flag when the item lacks a selection
    bool channelRule;                   // List44 has no click reaction of its own
    int dependentList;                  // intensity list shown and hidden with the module
    int dependentLabel;                 //   ... and its caption label
    int nameLabel; // label beside the lists that names the item; 0 in a cell, named by `name`
};

using AssignmentTable = std::array<AssignmentItem, 22>;
const AssignmentTable& assignmentItems();

// Index of the item whose module or channel list is List(n), or -1.
int itemOfList(int listNumber);

// One row per lighting intensity, in the order the panel holds them (locations 22, 23, 24).
struct IntensityItem {
    const char* name; // as its caption names it, without the "(%)"
    int list;
    int label;
    Integer ConfigRecord::*code;
    int partnerList; // the other list of the indicator rule, 0 when no rule applies
};

using IntensityTable = std::array<IntensityItem, 3>;
const IntensityTable& intensityItems();

// Index of the intensity whose list is List(n), or -1.
int intensityOfList(int listNumber);
