// quillon-sim: try a configuration before binding a key.
//   quillon-sim [--settings FILE] [--table NAME] [-e SCRIPT | SCRIPT-FILE]
// Without a script argument the script is read from standard input.

#include "tools/sim/Simulator.h"

#include "tools/common/ReadWholeFile.h"

#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

namespace
{
constexpr const char* mc_Usage =
    "usage: quillon-sim [--settings FILE] [--table NAME] [-e SCRIPT | SCRIPT-FILE]\n";

int fg_Fail(const std::string& message)
{
    std::cerr << "quillon-sim: " << message << "\n";
    return 2;
}
} // namespace

int main(int argc, char** argv)
{
    std::string settings;
    std::string table;
    std::string script;
    bool haveScript = false;
    bool haveSettings = false;
    bool haveTable = false;
    for (int i = 1; i < argc; ++i)
    {
        const std::string argument = argv[i];
        auto value = [&](const char* option) -> std::string
        {
            if (i + 1 >= argc)
                throw NQuillonSim::CSimError{std::string(option) + " needs a value"};
            return argv[++i];
        };
        try
        {
            if (argument == "--settings")
            {
                settings = value("--settings");
                haveSettings = true;
            }
            else if (argument == "--table")
            {
                table = value("--table");
                haveTable = true;
            }
            else if (argument == "-e")
            {
                script = value("-e");
                haveScript = true;
            }
            else if (argument == "-h" || argument == "--help")
            {
                std::cout << mc_Usage;
                return 0;
            }
            else if (!argument.empty() && argument[0] == '-')
                return fg_Fail("unknown option '" + argument + "'\n" + mc_Usage);
            else if (!haveScript)
            {
                std::string reason;
                if (!NQuillonTools::gf_ReadWholeFile(argument, script, reason))
                    return fg_Fail("cannot read script file '" + argument + "': " + reason);
                haveScript = true;
            }
            else
                return fg_Fail(std::string("more than one script\n") + mc_Usage);
        }
        catch (const NQuillonSim::CSimError& error)
        {
            return fg_Fail(error.m_Message);
        }
    }
    if (!haveScript)
    {
        std::ostringstream input;
        input << std::cin.rdbuf();
        script = input.str();
    }

    try
    {
        NQuillonSim::CSimulator simulator(std::cout);
        if (haveSettings)
            simulator.f_LoadSettingsFile(settings);
        if (haveTable)
            simulator.f_ActivateTable(table);
        simulator.f_RunScript(script);
    }
    catch (const NQuillonSim::CSimError& error)
    {
        std::cout.flush();
        return fg_Fail(error.m_Message);
    }
    return 0;
}
