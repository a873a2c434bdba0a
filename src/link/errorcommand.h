#pragma once

class CommandLink;

// The hidden test command ERROR: the server answers it with an error reply, which the link shows in
// its generic server-error box.
void bindErrorCommand(CommandLink &link);
