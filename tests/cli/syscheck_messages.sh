# syscheck: every message of the system-file reader, with its exact frame
# and exit status 1. Expected texts keep the reader's wording as it is.

# stops <name> <file text> <expected stdout>
stops() {
  printf '%s' "$2" > "$1.sys"
  run 1 syscheck "$1.sys" && same "$1" "$OUT" "$3"
}
# bounded <name> <file text> <expected stdout>: a file beyond a classic
# capacity. A build with TVL_CLASSIC_LIMITS stops with the message; the
# default build, whose tables are sized from the file, reads it.
bounded() {
  if [ "${TVL_CLASSIC_LIMITS:-OFF}" = ON ]; then
    stops "$@"
  else
    printf '%s' "$2" > "$1.sys"
    run 0 syscheck "$1.sys" && check "$1 read" test -n "$OUT"
  fi
}
# rep <count> <line>: the line repeated
rep() { local i; for ((i = 0; i < $1; i++)); do printf '%s\n' "$2"; done; }

SITES='begin{sites}
 ow -0.8 16.0
 hw  0.4  1.0
end{sites}
'
S=' ...reading sites'
F=' ERROR:
 interpreting the <system>-file...'
MOL="${SITES}begin{molecule}
 label w
 begin{configuration}
  ow 0 0 0
  hw 1 0 0
  hw 0 1 0
 end{configuration}
"
M="$S
 ...defining molecule  1
 ...reading configuration"
# mol <subsection> <entries>: a molecule with one subsection
mol() { printf '%s begin{%s}\n%s\n end{%s}\nend{molecule}\n' "$MOL" "$1" "$2" "$1"; }

# ---- file name ----
run 1 syscheck missing.sys
same "missing file" "$OUT" 'ERROR: Cannot read SYSTEM-file "missing.sys"'

# ---- site types ----
stops S1-words 'begin{sites}
 ow -0.8
end{sites}
' "$S
$F
 Check definition of site-types in line 1 of the {site}-section."
stops S1-number 'begin{sites}
 ow -0.8 16
 hw 0.4 one
end{sites}
' "$S
$F
 Check definition of site-types in line 2 of the {site}-section."
bounded S2 "begin{sites}
$(for i in $(seq 1 101); do echo " t$i 0 1"; done)
end{sites}
" "$S
$F
 Number of defined interaction site-types in {sites}-section exceeds maximum of  100
 Check <system>-file or increase nspmax in file tvl_const."
stops S3 'begin{sites}
 hw 0.4 1
 ow -0.8 16
 HW 0.4 1
end{sites}
' "$S
 ERROR:
 interpreting the <system>-file..
 Two definitions for site-type
 hw        
 were found in the {site}-section
 Check <system>-file."

# ---- Lennard-Jones sections ----
LJ=' ...reading plain LJ definition'
stops L1-words "${SITES}begin{lj}
 ow ow 3.0
end{lj}
" "$S
$LJ
$F
 Check definition of Lennard-Jones interaction in line 1 of the {lj}-section."
stops L1-number "${SITES}begin{lj}
 ow ow 3.0 78
 ow hw 3.0 x
end{lj}
" "$S
$LJ
$F
 Check definition of Lennard-Jones interaction in line 2 of the {lj}-section."
stops L2 "${SITES}begin{lj}
 ow xx 3.0 78
end{lj}
" "$S
$LJ
$F
 The pair of site-types 
 ow        xx        
 at position 1 in the {lj}-section does not refer to existing site-types.
 Check <system>-file."
stops L3-lorentz "${SITES}begin{lorentz_lj}
 ow 3.0 78
 oxygen 3.0 78
end{lorentz_lj}
" "$S
 ...reading Lorentz-Berthelot LJ definitions
$F
 Lennard-Jones type oxygen    
 at position  2 in the {lorentz_lj}-section is not a valid site-type.
 Check <system>-file."
stops L3-opls "${SITES}begin{opls_lj}
 xx 3.0 78
end{opls_lj}
" "$S
 ...reading OPLS LJ definitions
$F
 Lennard-Jones type xx        
 at position  1 in the {opls_lj}-section is not a valid site-type.
 Check <system>-file."
stops L4-lorentz "${SITES}begin{lorentz_lj}
 ow 3.0
end{lorentz_lj}
" "$S
 ...reading Lorentz-Berthelot LJ definitions
$F
 Check definition of Lennard-Jones parameters at position  1 in the {lorentz_lj}-section."
stops L4-opls "${SITES}begin{opls_lj}
 ow 3.0 78
 hw 0.0 zero
end{opls_lj}
" "$S
 ...reading OPLS LJ definitions
$F
 Check definition of Lennard-Jones parameters at position  2 in the {opls_lj}-section."

# ---- molecule types ----
ONE=' label w
 begin{configuration}
  ow
 end{configuration}
end{molecule}'
bounded M1 "${SITES}$(for i in 1 2 3 4 5; do printf 'begin{molecule}\n%s\n' "$ONE"; done)
" "$S$(for i in 1 2 3 4; do printf '\n ...defining molecule  %d\n ...reading configuration' $i; done)
$F
 Number of molecule-types exceeds maximum of  4
 Check <system>-file or increase ntymolmax in file tvl_const."
stops M2 "${SITES}begin{molecule}
 begin{configuration}
  ow
 end{configuration}
end{molecule}
" "$M
$F
 Molecule-type 1 has no label !
 Check <system>-file."
stops M3 "${SITES}begin{molecule}
 label w
end{molecule}
" "$S
 ...defining molecule  1
$F
 Molecule-type 1 contains no atoms !
 A valid molecule-type has to contain at least one atom in the {configuration}-section.
 Check <system>-file."
stops M4 "${SITES}begin{molecule}
 label
end{molecule}
" "$S
 ...defining molecule  1
$F
 Reading the label for molecule-type 1
 Check <system>-file"
stops M5 "${MOL} freedom six
end{molecule}
" "$M
$F
 Reading the degrees of freedom for molecule-type 1
 Check <system>-file"
stops zero-mass "begin{sites}
 d 0.0 0.0
end{sites}
begin{molecule}
 label dummy
 begin{configuration}
  d
 end{configuration}
end{molecule}
" "$M
$F
 Molecule-type 1 has a total mass of zero !
 Its centre of mass is undefined.
 Check <system>-file."

# ---- configuration ----
bounded C1 "${SITES}begin{molecule}
 label big
 begin{configuration}
$(rep 2001 '  hw')
 end{configuration}
end{molecule}
" "$M
$F
 Number of interaction sites of molecule-type 1 exceeds maximum of  2000
 Check <system>-file or increase nsimolmax in file tvl_const."
stops C2 "${SITES}begin{molecule}
 label w
 begin{configuration}
  ow
  hx 1 0 0
 end{configuration}
end{molecule}
" "$M
$F
 Molecule-type 1:
 Atom-definition in {configuration}-section
 hx        
 does not refer to a known site-type.
 Check <system>-file."
stops C3 "${SITES}begin{molecule}
 label w
 begin{configuration}
  ow 1 0 0
  hw 1 0
 end{configuration}
end{molecule}
" "$M
$F
 Check definition of atoms at position  2 in the {configuration}-section for molecule-type  1"

# ---- constraints ----
K=' ...reading constraints'
bounded K1 "$(mol constraints "$(rep 4001 '  1 2')")
" "$M
$K
$F
 Number of distance constraints of molecule-type 1 exceeds maximum of  4000
 Check <system>-file or increase nconmax in file tvl_const."
stops K2 "$(mol constraints '  1 2
  1 5')
" "$M
$K
$F
 Distance contstraint No.  2 of molecule-type 1 refers to an undefined pair of atom-sites :
  1 5
 Check <system>-file."
stops K3 "$(mol constraints '  1 2 one')
" "$M
$K
$F
 Check constraint at position. 1 in the {constraints}-section for molecule-type  1"

# ---- exclusions ----
E=' ...reading excluded pairs'
bounded E1 "$(mol exclude "$(rep 4001 '  1 2')")
" "$M
$E
$F
 Number of excluded interaction pairs for molecule-type 1 exceeds maximum of  4000
 Check <system>-file or increase nexclmax in file tvl_const."
bounded E1-all "${SITES}begin{molecule}
 label big
 begin{configuration}
$(rep 91 '  hw')
 end{configuration}
 begin{exclude}
  all
 end{exclude}
end{molecule}
" "$M
$E
$F
 Number of excluded interaction pairs for molecule-type 1 exceeds maximum of  4000
 Check <system>-file or increase nexclmax in file tvl_const."
stops E2 "$(mol exclude '  2 1
  4 1')
" "$M
$E
$F
 Exluded interaction-pair No.  2 of molecule-type 1 refers to an undefined pair of atom-sites :
  4 1
 Check <system>-file."
stops E2-all-before-sites "${SITES}begin{molecule}
 label w
 begin{exclude}
  all
 end{exclude}
 begin{configuration}
  ow
 end{configuration}
end{molecule}
" "$S
 ...defining molecule  1
$E
$F
 Exluded interaction-pair No.  1 of molecule-type 1 refers to an undefined pair of atom-sites :
 all
 Check <system>-file."
# A configuration repeated after the constraints or exclusions leaves them
# naming sites the molecule no longer has: refused at the molecule's end.
SHRINK='  ow 0 0 0
  hw 1 0 0
  hw 0 1 0
 end{configuration}
 begin{constraints}
  1 2
  1 3
 end{constraints}
 begin{exclude}
  3 2
 end{exclude}
 begin{configuration}
  ow 0 0 0
  hw 1 0 0'
stops K2-shrunk-configuration "${SITES}begin{molecule}
 label w
 begin{configuration}
${SHRINK}
 end{configuration}
end{molecule}
" "$M
$K
$E
 ...reading configuration
$F
 Distance contstraint No.  2 of molecule-type 1 refers to an undefined pair of atom-sites :
  1 3
 Check <system>-file."
stops E2-shrunk-configuration "${SITES}begin{molecule}
 label w
 begin{configuration}
${SHRINK/  1 3
/}
 end{configuration}
end{molecule}
" "$M
$K
$E
 ...reading configuration
$F
 Exluded interaction-pair No.  1 of molecule-type 1 refers to an undefined pair of atom-sites :
  3 2
 Check <system>-file."
stops E3 "$(mol exclude '  1 x')
" "$M
$E
$F
 Check excluded interaction pair at position. 1 in the {exclude}-section for molecule-type  1"

# ---- bonds ----
B=' ...reading bonds'
INC='increase'
bounded B1 "$(mol bonds "$(rep 4001 '  harmonic 1 2 1000 1')")
" "$M
$B
$F
 Number of harmonic bonds for molecule-type 1 exceeds maximum of  4000
 Check <system>-file or $INC nbdmax in file tvl_const."
bounded B2 "$(mol bonds "$(rep 4001 '  morse 1 2 1000 1 2')")
" "$M
$B
$F
 Number of Morse-type bonds for molecule-type 1 exceeds maximum of  4000
 Check <system>-file or $INC nbdmax in file tvl_const."
stops B3 "$(mol bonds '  fene 1 2 3
  harmonic 1 2 1000.0')
" "$M
$B
$F
 Check harmonic bond at position. 1 in the {bonds}-section for molecule-type  1"
stops B4 "$(mol bonds '  harmonic 1 2 1000.0 1.0
  morse 1 2 1000.0 1.0')
" "$M
$B
$F
 Check Morse-type bond at position. 2 in the {bonds}-section for molecule-type  1"

# ---- angles ----
A=' ...reading angles'
bounded A1 "$(mol angles "$(rep 4001 '  1 2 3 50 90')")
" "$M
$A
$F
 Number of bond-bending angles for molecule-type 1 exceeds maximum of  4000
 Check <system>-file or increase nangmax in file tvl_const."
bounded A2 "$(mol angles "$(rep 4001 '  linear 1 2 3 50')")
" "$M
$A
$F
 Number of linear bond-bending angles for molecule-type 1 exceeds maximum of  4000
 Check <system>-file or increase nangmax in file tvl_const."
stops A3 "$(mol angles '  linear 1 2 3 50
  1 2 3 50')
" "$M
$A
$F
 Check bond-angle at position. 2 in the {angle}-section for molecule-type  1"
stops A4 "$(mol angles '  linear 1 2 3')
" "$M
$A
$F
 Check linear bond-angle at position. 1 in the {angle}-section for molecule-type  1"

# ---- dihedrals ----
D=' ...reading dihedrals'
bounded D1 "$(mol dihedrals "$(rep 4001 '  improper 1 2 3 1 10 180')")
" "$M
$D
$F
 Number of improper dihedral interactions for molecule-type 1 exceeds maximum of  4000
 Check <system>-file or increase ndhmax in file tvl_const."
bounded D2 "$(mol dihedrals "$(rep 4001 '  proper 1 2 3 1 1 3 0')")
" "$M
$D
$F
 Number of proper dihedral interactionsfor molecule-type 1 exceeds maximum of  4000
 Check <system>-file or increase ndhmax in file tvl_const."
bounded D3 "$(mol dihedrals '  proper 1 2 3 1  1 1 0  1 2 0  1 3 0  1 4 0  1 5 0')
" "$M
$D
$F
 Number of entries per proper dihedral interactionfor molecule-type 1 exceeds maximum of  4
 Check <system>-file or increase nndhmax in file tvl_const."
stops D4 "$(mol dihedrals '  torsion 1 2 3 4
  improper 1 2 3 1 10')
" "$M
$D
$F
 Check improper dihedral interaction at position 1 in the {dihedrals}-section for molecule-type  1"
stops D5 "$(mol dihedrals '  improper 1 2 3 1 10 180
  proper 1 2 3 1 1 3 zero')
" "$M
$D
$F
 Check proper dihedral interaction at position 2 in the {dihedrals}-section for molecule-type  1"

# ---- non-bonded pairs and virtual sites ----
N=' ...reading nonbonded (1-x)-terms'
bounded N1 "$(mol nonbonded "$(rep 4001 '  2 3 3.0 50')")
" "$M
$N
$F
 Number of modified intramolecular interactions for molecule-type 1 exceeds maximum of  4000
 Check <system>-file or increase ndhmax in file tvl_const."
stops N2 "$(mol nonbonded '  2 3 3.0 50 0.5
  2 3 3.0 50 half')
" "$M
$N
$F
 Check modified intramolecular interaction at position 2 in the {nonbonded}-section for molecule-type  1"
V=' ...reading virtual sites'
bounded virtual-overflow "$(mol virtual "$(rep 2001 '  3 1 0.5 2 0.5')")
" "$M
$V
$F
 Number of virtual sites for molecule-type 1 exceeds maximum of  2000
 Check <system>-file or increase nsimolmax in file tvl_const."
stops virtual-word "$(mol virtual '  3 1 0.5 2 0.5
  3 1 0.5 two 0.5')
" "$M
$V
$F
 Check entry in {virtual}-section at position 2"

# ---- build, umbrella, efg ----
W="$(mol constraints '  1 2')
"
WP="$M
$K"
BU=' ...reading build-section'
bounded F1 "${W}begin{build}
$(rep 101 ' frac w 0 0 0')
end{build}
" "$WP
$BU
$F
 Number of <frac> entries in {build}-section exceeds maximum of  100
 Check <system>-file or increase nsimax in file tvl_const."
stops F2-frac "${W}begin{build}
 frac w 0.5 0.5
end{build}
" "$WP
$BU
$F
 Check entry in {build}-section at position 1"
stops F2-label "${W}begin{build}
 frac w 0 0 0
 frac water 0.5 0.5 0.5
end{build}
" "$WP
$BU
$F
 Check entry in {build}-section at position 2"
stops F2-ecell "${W}begin{build}
 ecell 10 10
end{build}
" "$WP
$BU
$F
 Check entry in {build}-section at position 0"
stops F2-duplicate "${W}begin{build}
 frac w 0 0 0
 duplicate 1 -1 1
end{build}
" "$WP
$BU
$F
 Check entry in {build}-section at position 1"
bounded F3 "${W}begin{umbrella}
$(rep 11 ' 1 2 3 4 5.0 6.0')
end{umbrella}
" "$WP
 ...reading umbrella-section
$F
 Number of entries in {umbrella}-section exceeds maximum of  10
 Check <system>-file or increase numbmax in file tvl_const."
stops F4 "${W}begin{umbrella}
 1 2 3 4 5.0
end{umbrella}
" "$WP
 ...reading umbrella-section
$F
 Check entry in {umbrella}-section at position 1"
bounded F5 "${W}begin{efg}
$(rep 11 ' 1 2')
end{efg}
" "$WP
 ...reading efg-section
$F
 Number of entries in {efg}-section exceeds maximum of  10
 Check <system>-file or increase nefgmax in file tvl_const."
stops F6 "${W}begin{efg}
 1 2
 1 b
end{efg}
" "$WP
 ...reading efg-section
$F
 Check entry in {efg}-section at position 2"
bounded F7 "${W}begin{build}
 frac w 0 0 0
 duplicate 20 20 20
end{build}
" "$WP
$BU
 SYSTEM FILE \"F7.sys\" SUCCESSFULLY PROCESSED
 SUBROUTINE READPA:
 Maximum total number of interaction sites
 exceeded (nmax):  8000
  24000"
bounded F8 "${SITES}begin{molecule}
$ONE
begin{build}
 frac w 0 0 0
 duplicate 3 23 29
end{build}
" "$M
$BU
 SYSTEM FILE \"F8.sys\" SUCCESSFULLY PROCESSED
 SUBROUTINE READPA:
 Maximum total number of allowed molecules
 exceeded (nalmolmax):  2000
  2001"

# ---- end of file inside a section ----
stops eof-lorentz "${SITES}begin{lorentz_lj}
 ow 3.0 78
" "$S
 ...reading Lorentz-Berthelot LJ definitions
$F
 End of file inside the {lorentz_lj}-section."
stops eof-subsection "$MOL begin{bonds}
  harmonic 1 2 1000 1
" "$M
$B
$F
 End of file inside the {bonds}-section."
