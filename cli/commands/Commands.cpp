// The ostrel tool's command table: name, one-line summary, definition.

#include "Command.h"

#include <cstring>

namespace cli
{
const std::vector<Command>& Commands()
{
    static const std::vector<Command> commands = {
        {"list", "List an archive: flavour, product strings, residual bytes and entries", DefineList},
        {"cat", "Write one entry's unpacked bytes to standard output", DefineCat},
        {"extract", "Extract archives into folders", DefineExtract},
        {"pack", "Build an archive from a folder", DefinePack},
#ifdef OSTREL_MODBUILD
        {"build", "Build a whole mod: every addon packed, compiled and signed into @NAME", DefineBuild},
#endif
        {"patch", "Merge a patch archive into a target archive (<name>.patched.pbo)", DefinePatch},
        {"derap", "Decode a binarised config to config text", DefineDerap},
        {"rapify", "Compile config text to a binarised config", DefineRapify},
        {"preprocess", "Write config text as the current game's preprocessor leaves it", DefinePreprocess},
        {"check", "Check scripts and assets, several files at once", DefineCheck},
#ifdef OSTREL_TEXTURE
        {"texture", "Convert textures to PNG images and PNG images to textures", DefineTexture},
#endif
#ifdef OSTREL_SIGN
        {"keygen", "Make a signing key pair: AUTHORITY.bikey and AUTHORITY.biprivatekey", DefineKeygen},
        {"sign", "Sign archives: NAME.pbo.AUTHORITY.bisign beside each", DefineSign},
        {"verify", "Verify archives, or a whole mod, against public keys", DefineVerify},
#endif
        {"help", "Show the help of a command", DefineHelp},
    };
    return commands;
}

const Command* FindCommand(const char* name)
{
    for (const Command& command : Commands())
    {
        if (std::strcmp(command.name, name) == 0)
            return &command;
    }
    return nullptr;
}
} // namespace cli
