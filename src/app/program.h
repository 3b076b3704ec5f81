#pragma once

#include "file_operations.h"
#include "form1.h"
#include "panel_operations.h"
#include "serial_comm_port.h"

class FileDialog;
class MessageBoxes;
class QCommandLineParser;

// The program's parts wired together: the window, the serial port of the panel, and the
// panel and file operations behind the window's three command buttons.
class Program {
public:
    // Message boxes and the file dialog must outlive the program.
    Program(const QString& portName, MessageBoxes& messages, FileDialog& dialog);

    Form1 form;
    SerialCommPort port;
    PanelOperations panel;
    FileOperations files;
};

// The command line: --port NAME chooses the panel's serial port; nothing else is configurable.
void addCommandLineOptions(QCommandLineParser& parser);
// The port named on the command line, or the first serial port of the machine.
QString portName(const QCommandLineParser& parser);
