#pragma once

// Every text the panel operations show on the status line and in their message boxes.
namespace texts {

inline constexpr char startingRead[] = "STARTING COMMUNICATIONS TO READ SWITCH PANEL CONFIGURATION";
inline constexpr char startingWrite[] =
    "STARTING COMMUNICATIONS TO WRITE SWITCH PANEL CONFIGURATION";
inline constexpr char communicationsOk[] = "COMMUNICATIONS OK";
inline constexpr char outOfRange[] = "ERROR - DATA OUT OF RANGE";
inline constexpr char corrupted[] = "COMMUNICATIONS CORRUPTED";
inline constexpr char failedToVerify[] = "DATA FAILED TO VERIFY";
inline constexpr char noResponse[] = "COMMUNICATIONS FAILURE SWITCH PANEL FAILED TO RESPOND";
inline constexpr char badData[] = "COMMUNICATIONS FAILURE-BAD SWITCH PANEL DATA";
inline constexpr char readSuccessful[] = "SWITCH PANEL DATA READ SUCCESSFUL";
inline constexpr char programmed[] = "SWITCH PANEL HAS BEEN PROGRAMMED";
inline constexpr char switchesIncomplete[] =
    "DATA MUST BE ENTERED (CLICKED) FOR ALL SWITCHES BEFORE WRITING DATA";
inline constexpr char lightingIncomplete[] =
    "DATA MUST BE ENTERED (CLICKED) FOR ALL LED'S AND BACKLIGHTING BEFORE WRITING DATA";
// A read that stopped part-way left the window a mix that is never written.
inline constexpr char partlyReadNotWritten[] = "READ THE PANEL AGAIN OR OPEN A FILE BEFORE WRITING";

inline constexpr char mismatchTitle[] = "SWITCH PANEL/CONFIGURATION MIS-MATCH";
inline constexpr char readMismatch[] = "THE SWITCH PANEL THAT YOU HAVE ATTEMPTED TO READ DATA FROM "
                                       "DOES NOT MATCH THIS CONFIGURATION PROGRAM";
inline constexpr char writeMismatch[] = "THE SWITCH PANEL THAT YOU HAVE ATTEMPTED TO WRITE DATA TO "
                                        "DOES NOT MATCH THIS CONFIGURATION PROGRAM";

// Faults of the serial line itself.
inline constexpr char portUnavailable[] =
    "COMMUNICATIONS COULD NOT BE STARTED - SERIAL PORT NOT AVAILABLE";
inline constexpr char noPortChosen[] =
    "COMMUNICATIONS COULD NOT BE STARTED - NO SERIAL PORT CHOSEN";
inline constexpr char portTitle[] = "SERIAL PORT ERROR";
inline constexpr char connectionLost[] = "COMMUNICATIONS FAILURE-SERIAL PORT CONNECTION LOST";
inline constexpr char abandoned[] = "COMMUNICATIONS ABANDONED - WINDOW CLOSED";

} // namespace texts
