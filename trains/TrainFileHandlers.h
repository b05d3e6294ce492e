#pragma once

namespace trains {

// Makes the train controller the builder and reader of the layout file's "TrnC" chunk (a
// reader creates the controller; without one the writer leaves the chunk out) and joins the
// document's clear. Calling it again changes nothing.
void installTrainFileHandlers();

} // namespace trains
