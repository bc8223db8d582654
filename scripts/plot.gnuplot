# Draws the results of rotcf and mucf as one PNG picture.
# usage (in the folder holding rotcf_p1p2.dat, mucf_p1.dat, mucf_p2.dat):
#   gnuplot -e "out='tcf.png'" scripts/plot.gnuplot
# Files that are missing are left out of the picture.
if (!exists("out")) out = "tcf.png"
set terminal png size 1000,420
set output out
set multiplot layout 1,2 title "Reorientational time-correlation functions"
set xlabel "t / ps"
set ylabel "C(t)"
set yrange [*:1.05]
set key top right
set grid

set title "rotcf: molecular plane normal"
if (system("test -s rotcf_p1p2.dat && echo 1") eq "1") {
  plot "rotcf_p1p2.dat" using 1:2 with lines lw 2 title "P1", \
       "rotcf_p1p2.dat" using 1:3 with lines lw 2 title "P2"
} else {
  set label 1 "no rotcf_p1p2.dat" at graph 0.3, 0.5
  plot 1/0 notitle
  unset label 1
}

set title "mucf: molecular dipole (first molecule type)"
if (system("test -s mucf_p1.dat && test -s mucf_p2.dat && echo 1") eq "1") {
  plot "mucf_p1.dat" using 1:2 with lines lw 2 title "P1", \
       "mucf_p2.dat" using 1:2 with lines lw 2 title "P2"
} else {
  set label 1 "no mucf_p1.dat / mucf_p2.dat" at graph 0.3, 0.5
  plot 1/0 notitle
  unset label 1
}
unset multiplot
