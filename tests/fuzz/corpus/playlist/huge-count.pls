[playlist]
NumberOfEntries=2147483647
File999999999999=x
File2= spaced .mp3 
NumberOfEntries=1
[playlist]
File1=second-section.mp3
