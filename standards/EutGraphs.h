#pragma once
// The table windows' two graphs of one phase of an acquisition: its voltage
// and current record and its current spectrum in % of the fundamental. The
// window draws each phase as it is acquired; a report draws every phase off
// screen for its pictures.
#include <QByteArray>

namespace ostrel {

class GraphView;
struct EutAcquisition;

void DrawPhaseRecord(GraphView& graph, const EutAcquisition& a, int phase);
void DrawPhaseSpectrum(GraphView& graph, const EutAcquisition& a, int phase);

// A graph as a report picture.
QByteArray GraphPng(const GraphView& graph);

// The record (or the spectrum) of a phase drawn off screen, as a picture;
// empty when the acquisition holds nothing for it.
QByteArray PhaseGraphPng(const EutAcquisition& a, int phase, bool spectrum);

} // namespace ostrel
